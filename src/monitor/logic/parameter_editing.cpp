#include "monitor/logic/parameter_editing.h"

#include "core/codec.h"
#include "core/texts.h"
#include "device/panel_controls.h"
#include "device/register_map.h"
#include "monitor/logic/parameter_panel.h"

#include <QRegularExpression>

namespace zu {

namespace {

constexpr std::string_view kLists[] = {
    ctl::CtrlSet,  ctl::RunStop,    ctl::HeatCool,    ctl::Out1Sel,    ctl::Out2Sel,
    ctl::ComWrite, ctl::LockStatus, ctl::AT,          ctl::InputA,     ctl::InputB,
    ctl::Unit,     ctl::ProgDisp,   ctl::Pointer,     ctl::ALM1Mode,   ctl::ALM2Mode,
    ctl::ALM3Mode, ctl::SALMode,    ctl::OutputType1, ctl::OutputType2};

constexpr std::string_view kEditBoxes[] = {
    ctl::SV,        ctl::RangeHi,   ctl::RangeLo,      ctl::UpLimit1,  ctl::DnLimit1,
    ctl::UpLimit2,  ctl::DnLimit2,  ctl::UpLimit3,     ctl::DnLimit3,  ctl::Pb,
    ctl::Ti,        ctl::Td,        ctl::IOffset,      ctl::PDOffset,  ctl::Coeff,
    ctl::DeadBand1, ctl::DeadBand2, ctl::Hyst1,        ctl::Hyst2,     ctl::CurrHi,
    ctl::CurrLo,    ctl::HCPeriod1, ctl::HCPeriodPID1, ctl::HCPeriod2, ctl::HCPeriodPID2,
    ctl::OUTQ1,     ctl::OUTQ2,     ctl::PVTune,       ctl::RTDOfs,    ctl::RTDGain,
    ctl::TCOfs,     ctl::TCGain,    ctl::ColdJ,        ctl::mVOfs,     ctl::mVGain};

constexpr int KeyEnter = 13;

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

// A number as a technician writes it: an optional minus, digits, at most one
// point. The parser alone would take "1.2.3" as 1.2 and "12.3x" as 12.3.
bool isNumberText(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^ *-?[0-9]*(\\.[0-9]*)?$"));
    bool digit = false;
    for (QChar c : text)
        digit = digit || (c >= u'0' && c <= u'9');
    return digit && re.match(text).hasMatch();
}

// The panel shows a negative value with a blank after its minus ("- 15.0");
// Enter on that text must send the value shown, so the blank goes.
QString closeUpSign(const QString& text) {
    static const QRegularExpression sign(QStringLiteral("^( *-) +(?=[0-9.])"));
    QString t = text;
    return t.replace(sign, QStringLiteral("\\1"));
}

// Families A and B, and family C at "Unlock All", take writes as their
// communication-write setting says. Below that level a family-C device is not
// read back, so that setting stays unknown; its security level alone says what
// it takes: the set value at "PV,SV", also auto-tuning at "Read All, SV,AT".
enum class Permission { Granted, WriteOff, NotRead, SecurityLevel };

Permission WritePermission(const DeviceSlot& slot, std::string_view control) {
    if (slot.Family == 'C' && slot.SecurityLevelCode != 8) {
        const std::uint32_t level = slot.SecurityLevelCode;
        const bool sv = control == ctl::SV;
        const bool at = control == ctl::AT;
        return (level == 2 && sv) || (level == 4 && (sv || at)) ? Permission::Granted
                                                                : Permission::SecurityLevel;
    }
    if (slot.ComWriteEnabled == 1)
        return Permission::Granted;
    return slot.ComWriteEnabled == 255 ? Permission::NotRead : Permission::WriteOff;
}

// Says why a change was not sent, and only what the device told.
QString RefusalNotice(Permission p, const QString& what, bool unlockSent) {
    if (p == Permission::WriteOff)
        return qs(unlockSent ? text::NoticeUnlockOnly : text::NoticeWriteDisabled).arg(what);
    const char* reason =
        p == Permission::NotRead ? text::NoticeWriteNotRead : text::NoticeSecurityLevel;
    return qs(reason).arg(what) + (unlockSent ? qs(text::NoticeUnlockSent) : QString());
}

} // namespace

ParameterEditing::ParameterEditing(MonitorModel& model, EditingHost& host)
    : model_(model), host_(host) {}

std::span<const std::string_view> ParameterEditing::Lists() {
    return kLists;
}
std::span<const std::string_view> ParameterEditing::EditBoxes() {
    return kEditBoxes;
}

void ParameterEditing::refuse(const QString& text) {
    // The read-back puts what the device holds back into the panel.
    model_.req.ParameterRefresh = true;
    tell(text, FieldMark::Refused);
}

void ParameterEditing::tell(const QString& text, FieldMark mark) {
    host_.notice(text);
    if (!current_.empty())
        host_.markField(current_, mark, text);
}

QString ParameterEditing::pendingSubject() const {
    return pendingShown_.isEmpty() ? pendingWhat_
                                   : pendingWhat_ + QStringLiteral(" = ") + pendingShown_;
}

void ParameterEditing::endPending() {
    pendingWhat_.clear();
    pendingShown_.clear();
    pendingControl_.clear();
}

void ParameterEditing::WriteOutcome(zu::WriteOutcome outcome, const QString& reason) {
    if (pendingWhat_.isEmpty()) {
        // Not a change of ours (or one already told): say what happened all the same.
        const char* plain = nullptr;
        switch (outcome) {
        case zu::WriteOutcome::Written:
        case zu::WriteOutcome::ReadBack:
            plain = text::NoticeWrittenPlain;
            break;
        case zu::WriteOutcome::Refused:
        case zu::WriteOutcome::GivenUp:
            host_.notice(qs(text::NoticeRefusedPlain).arg(reason.trimmed()));
            return;
        case zu::WriteOutcome::Cancelled:
            plain = text::NoticeCancelledPlain;
            break;
        }
        host_.notice(qs(plain));
        return;
    }
    const QString subject = pendingSubject();
    current_ = pendingControl_;
    switch (outcome) {
    case zu::WriteOutcome::Written:
        tell(qs(text::NoticeWritten).arg(subject), FieldMark::Pending);
        return;
    case zu::WriteOutcome::ReadBack:
        tell(qs(text::NoticeReadBack).arg(subject), FieldMark::Done);
        break;
    case zu::WriteOutcome::Refused:
        tell(qs(text::NoticeRefused).arg(subject, reason.trimmed()), FieldMark::Refused);
        return;
    case zu::WriteOutcome::GivenUp:
        tell(qs(text::NoticeGivenUp).arg(subject, reason.trimmed()), FieldMark::Refused);
        break;
    case zu::WriteOutcome::Cancelled:
        tell(qs(text::NoticeCancelled).arg(subject), FieldMark::Refused);
        break;
    }
    endPending();
    current_.clear();
}

void ParameterEditing::WriteNotEchoed() {
    if (pendingWhat_.isEmpty()) {
        host_.notice(qs(text::NoticeEchoMismatch));
        return;
    }
    current_ = pendingControl_;
    tell(qs(text::NoticeNotEchoed).arg(pendingSubject()), FieldMark::Refused);
    endPending();
    current_.clear();
}

// Changes that must wait: no identified device, a transfer that uses the write
// queue or the bulk registers, or a security write whose register is queued.
bool ParameterEditing::writeBlocked(const QString& what) {
    const DeviceSlot* slot = model_.selected();
    if (!slot || regmap::FamilyBit(slot->Family) == 0) {
        tell(qs(text::NoticeNoDevice), FieldMark::Refused);
        return true;
    }
    const EngineRequests& r = model_.req;
    if (r.BulkReadStart || r.BulkReadActive || r.RampSoakReadStart || r.RampSoakReadActive ||
        r.RampSoakWriteActive || r.DownloadActive) {
        tell(qs(text::NoticeTransferRunning).arg(what), FieldMark::Refused);
        return true;
    }
    if (r.LockCommandPending) {
        tell(qs(text::NoticeSecurityBusy).arg(what), FieldMark::Refused);
        return true;
    }
    return false;
}

void ParameterEditing::queueWrite(const QString& what, std::uint16_t reg, int value,
                                  const QString& shown) {
    EngineRequests& r = model_.req;
    if (r.WritePending && r.PendingRegister == pendingRegister_ && !pendingWhat_.isEmpty()) {
        if (pendingControl_ != current_ && !pendingControl_.empty())
            host_.markField(pendingControl_, FieldMark::Refused,
                            qs(text::NoticeReplaces).arg(what, shown, pendingWhat_));
        tell(qs(text::NoticeReplaces).arg(what, shown, pendingWhat_), FieldMark::Pending);
    } else {
        tell(qs(text::NoticeWriting).arg(what, shown), FieldMark::Pending);
    }
    r.PendingRegister = reg;
    r.PendingValue = static_cast<std::uint16_t>(value);
    r.WritePending = true;
    pendingWhat_ = what;
    pendingRegister_ = reg;
    pendingControl_ = current_;
    pendingShown_ = shown;
}

void ParameterEditing::CtrlSetCloseUp(std::string_view list, int item) {
    current_ = std::string(list);
    const QString what = PanelCaption(list);
    if (writeBlocked(what))
        return;
    DeviceSlot& slot = *model_.selected();

    if (slot.Family == 'C' && list == ctl::Pointer) {
        // Family C keeps its decimals as a display choice of the program.
        if (item < 0 || item >= regmap::Pointer.size()) {
            refuse(qs(text::NoticeNoItem).arg(what));
            return;
        }
        slot.DecimalChoice = std::int16_t(item);
        slot.DecimalPlaces = std::uint16_t(item);
        model_.req.ParameterRefresh = true;
        const std::string_view shown = regmap::Pointer.items[std::size_t(item)];
        tell(qs(text::NoticeDisplayDecimals)
                 .arg(QString::fromLatin1(shown.data(), qsizetype(shown.size()))),
             FieldMark::Done);
        return;
    }

    const regmap::Register* row = regmap::WritableFor(slot.Family, list);
    if (!row) {
        tell(qs(text::NoticeNoSuchParameter).arg(what), FieldMark::Refused);
        return;
    }
    const int items = row->table ? row->table->size() : 0;
    if (item < 0 || item >= items) {
        refuse(qs(text::NoticeNoItem).arg(what));
        return;
    }
    const int value = list == ctl::LockStatus ? regmap::LockStatusWriteValue(item) : item;
    const Permission permission = WritePermission(slot, list);
    // The level refuses the unlock as well: nothing goes.
    if (permission == Permission::SecurityLevel) {
        refuse(RefusalNotice(permission, what, false));
        return;
    }
    if (row->needsUnlock())
        model_.req.UnlockPending = true;

    if (permission == Permission::Granted || list == ctl::ComWrite) {
        const std::string_view shown = row->table->items[std::size_t(item)];
        queueWrite(what, row->address, value,
                   QString::fromLatin1(shown.data(), qsizetype(shown.size())));
        return;
    }
    refuse(RefusalNotice(permission, what, row->needsUnlock()));
}

bool ParameterEditing::RangeHiKeyPress(std::string_view box, int key, const QString& text) {
    if (key != KeyEnter)
        return false;
    current_ = std::string(box);
    const QString what = PanelCaption(box);
    if (writeBlocked(what))
        return true;
    DeviceSlot& slot = *model_.selected();

    const int decimals = box == ctl::Coeff ? 2 : 1;
    const QString typed = text.trimmed();
    const QString number = closeUpSign(text);
    // An empty box or a lone sign is no number either, though the parser
    // would read it as 0.
    const long long parsed = isNumberText(number)
                                 ? codec::ParseScaled(number.toStdString(), decimals)
                                 : codec::ParseError;
    if (parsed == codec::ParseError) {
        refuse(qs(text::NoticeNotANumber).arg(what, text));
        return true;
    }

    const regmap::Register* row = regmap::WritableFor(slot.Family, box);
    if (!row) {
        host_.setErrMessage(qs(text::IllegalFunctionOnWrongModel));
        refuse(qs(text::NoticeNoSuchParameter).arg(what));
        return true;
    }
    // Integer registers take the whole part, truncated toward zero.
    const long long value = row->encoding == regmap::Encoding::Integer ? parsed / 10 : parsed;
    if (value < -32768 || value > 32767) {
        refuse(qs(text::NoticeOutOfRange).arg(what, typed));
        return true;
    }
    const Permission permission = WritePermission(slot, box);
    const bool unlock = row->needsUnlock() && permission != Permission::SecurityLevel;
    if (unlock)
        model_.req.UnlockPending = true;
    if (permission != Permission::Granted) {
        host_.setErrMessage(qs(text::IllegalFunctionOnWrongModel));
        refuse(RefusalNotice(permission, what, unlock));
        return true;
    }
    queueWrite(what, row->address, int(value), typed);
    return true;
}

void ParameterEditing::ClearBt1Click(std::string_view button) {
    const char* question = nullptr;
    if (button == ctl::ClearBt1)
        question = text::RestoreDefaultConfirm;
    else if (button == ctl::ClearBt2)
        question = text::ClearFactoryConfirm;
    else
        return;
    current_ = std::string(button);
    const QString what = PanelCaption(button);
    if (writeBlocked(what))
        return;
    if (!host_.confirm(qs(question)))
        return;
    DeviceSlot& slot = *model_.selected();
    const regmap::Register* row = regmap::WritableFor(slot.Family, button);
    if (!row)
        return;
    if (slot.Family != 'C' && slot.ComWriteEnabled != 1) {
        tell(qs(text::NoticeWriteDisabled).arg(what), FieldMark::Refused);
        return;
    }
    EngineRequests& r = model_.req;
    r.PendingRegister = row->address;
    r.PendingValue = regmap::UnlockWord;
    r.UnlockPending = true;
    r.WritePending = true;
    pendingWhat_ = what;
    pendingRegister_ = row->address;
    pendingControl_ = current_;
    pendingShown_.clear();
    tell(qs(text::NoticeCommand).arg(what), FieldMark::Pending);
}

} // namespace zu
