#pragma once
// Turns a change in the parameter panel into one write of one register of the
// selected device. Nothing is sent from here: the change fills the polling
// engine's single write queue (MonitorModel::req), which sends it, checks the
// echo and reads the panel back. Each change also says in a short notice what
// became of it, so a refused or unsent change is never silent.
#include "monitor/logic/monitor_model.h"

#include <QString>
#include <span>
#include <string_view>

namespace zu {

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

  private:
    bool writeBlocked(const QString& what);
    void queueWrite(const QString& what, std::uint16_t reg, int value, const QString& shown);
    void refuse(const QString& text);

    MonitorModel& model_;
    EditingHost& host_;
    // What the queued write is, for the notice when a later change replaces it.
    QString pendingWhat_;
    std::uint16_t pendingRegister_ = 0;
};

} // namespace zu
