#pragma once
// Turns a change in the parameter panel into one write of one register of the
// selected device. Nothing is sent from here: the change fills the polling
// engine's single write queue (MonitorModel::req), which sends it, checks the
// echo and reads the panel back. Each change also says in a short notice what
// became of it, so a refused or unsent change is never silent.
#include "monitor/logic/monitor_model.h"
#include "monitor/logic/monitor_view.h"

#include <QString>
#include <span>
#include <string_view>

namespace zu {

// How the edited control is marked: the change is on its way, it holds, or
// it was refused or dropped.
enum class FieldMark { Pending, Done, Refused };

// What the editing needs of the monitor window.
class EditingHost {
  public:
    virtual ~EditingHost() = default;
    // The debug label ErrMessage.
    virtual void setErrMessage(const QString& text) = 0;
    // The status line the technician sees without debug mode.
    virtual void notice(const QString& text) = 0;
    // An OK/Cancel question; true only for OK.
    virtual bool confirm(const QString& question) = 0;
    // The same news beside the control it is about (a mark and its tool tip).
    virtual void markField(std::string_view /*control*/, FieldMark, const QString& /*text*/) {}
};

class ParameterEditing {
  public:
    ParameterEditing(MonitorModel& model, EditingHost& host);

    // The 19 lists and the 35 edit boxes this handles.
    static std::span<const std::string_view> Lists();
    static std::span<const std::string_view> EditBoxes();

    // A list closed with item `item` selected (-1: none). Sent also when the
    // item did not change.
    void CtrlSetCloseUp(std::string_view list, int item);
    // A key in an edit box; only Enter (13) acts, on the box's text. True when
    // the key was taken (Enter), false when it is to be typed as usual.
    bool RangeHiKeyPress(std::string_view box, int key, const QString& text);
    // ClearBt1 (restore default setting) or ClearBt2 (clear PV adjustment).
    void ClearBt1Click(std::string_view button);

    // What the engine made of the queued write: told in the status line and
    // beside the control it came from. Without a change of ours queued the
    // notice names no parameter.
    void WriteOutcome(WriteOutcome outcome, const QString& reason);
    void WriteNotEchoed();

  private:
    bool writeBlocked(const QString& what);
    void queueWrite(const QString& what, std::uint16_t reg, int value, const QString& shown);
    void refuse(const QString& text);
    // The notice, and the mark on the control being changed.
    void tell(const QString& text, FieldMark mark);
    // "SV = 30.0", or the command's caption alone.
    QString pendingSubject() const;
    void endPending();

    MonitorModel& model_;
    EditingHost& host_;
    // The control of the handler running now.
    std::string current_;
    // What the queued write is, for the notice when a later change replaces it.
    QString pendingWhat_;
    std::uint16_t pendingRegister_ = 0;
    std::string pendingControl_;
    QString pendingShown_;
};

} // namespace zu
