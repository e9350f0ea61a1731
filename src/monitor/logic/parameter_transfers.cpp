#include "monitor/logic/parameter_transfers.h"

#include "core/texts.h"
#include "device/parameter_download.h"
#include "device/register_map.h"

#include <algorithm>
#include <cstdio>

namespace zu {

ParameterTransfers::ParameterTransfers(MonitorModel& model, MonitorView& view,
                                       TransferView& transferView)
    : model_(model), view_(view), transferView_(transferView) {}

bool ParameterTransfers::running() const {
    const EngineRequests& q = model_.req;
    return q.BulkReadStart || q.BulkReadActive || q.DownloadActive;
}

bool ParameterTransfers::StartUpload(const std::string& caption) {
    const DeviceSlot* sel = model_.selected();
    if (!sel || !sel->connected || running())
        return false;
    if (sel->Family == 'A' && sel->ComWriteEnabled != 1)
        return false;
    EngineRequests& q = model_.req;
    // A new upload keeps nothing of an earlier image.
    std::fill(image.bytes.begin(), image.bytes.begin() + ParameterMemorySize, 0);
    seen_.fill(false);
    q.BulkReadCount = 0;
    q.BulkReadRegister = regmap::BulkParameterRegister(sel->Family);
    if (sel->Family == 'A')
        q.UnlockPending = true;
    q.BulkReadActive = false;
    q.BulkReadStart = true;
    transferView_.setTransferProgress(0);
    transferView_.showTransferProgress(true, caption);
    return true;
}

bool ParameterTransfers::StartDownload(bool broadcast, const std::string& caption) {
    const DeviceSlot* sel = model_.selected();
    if (!sel || !sel->connected || running() || DownloadStepCount(sel->Family) == 0)
        return false;
    if (sel->Family != 'C' && sel->ComWriteEnabled != 1)
        return false;
    EngineRequests& q = model_.req;
    q.DownloadStep = 0;
    stepWrites_ = 0;
    q.DownloadActive = true;
    q.BroadcastMode = broadcast;
    transferView_.setTransferProgress(0);
    transferView_.showTransferProgress(true, caption);
    return true;
}

void ParameterTransfers::PrepareDownloadWrite() {
    EngineRequests& q = model_.req;
    const DeviceSlot* sel = model_.selected();
    if (!sel)
        return;
    const DownloadWrite w =
        DownloadStepWrite(sel->Family, image, sel->FirmwareVersion, q.DownloadStep);
    if (!w.sent)
        return;
    if (w.unlock && !q.Unlocked) {
        q.UnlockPending = true;
        q.WritePending = true;
        return;
    }
    if (++stepWrites_ > MaxStepWrites) {
        stopDownload(w.reg);
        return;
    }
    q.PendingRegister = w.reg;
    q.PendingValue = w.value;
    q.WritePending = true;
}

void ParameterTransfers::stopDownload(std::uint16_t reg) {
    EngineRequests& q = model_.req;
    const int step = q.DownloadStep;
    q.DownloadActive = q.BroadcastMode = false;
    q.WritePending = q.UnlockPending = q.Unlocked = false;
    transferView_.showTransferProgress(false, {});
    transferView_.setTransferProgress(0);
    q.ParameterRefresh = true;
    char regText[8];
    std::snprintf(regText, sizeof regText, "0x%04X", unsigned(reg));
    transferView_.showTransferStopped("Download stopped at step " + std::to_string(step + 1) +
                                      ": the device did not take " + "register " + regText +
                                      " after " + std::to_string(MaxStepWrites) +
                                      " tries; the steps before it were written");
}

void ParameterTransfers::CountDownloadStep() {
    EngineRequests& q = model_.req;
    const DeviceSlot* sel = model_.selected();
    const std::uint8_t family = sel ? sel->Family : FamilyUnknown;
    const int total = DownloadStepCount(family);
    ++q.DownloadStep;
    stepWrites_ = 0;
    // Steps this image or device does not take are passed over.
    while (q.DownloadStep < total &&
           !DownloadStepWrite(family, image, sel->FirmwareVersion, q.DownloadStep).sent)
        ++q.DownloadStep;
    if (q.DownloadStep < total) {
        transferView_.setTransferProgress(q.DownloadStep * 1000 / total);
        return;
    }
    // Nothing is left queued to go out after the last step.
    q.DownloadActive = q.BroadcastMode = false;
    q.WritePending = q.UnlockPending = q.Unlocked = false;
    transferView_.showTransferProgress(false, {});
    transferView_.setTransferProgress(0);
    q.ParameterRefresh = true;
}

void ParameterTransfers::StoreImageByte(std::uint8_t index, std::uint8_t value) {
    EngineRequests& q = model_.req;
    if (!q.BulkReadActive)
        return;
    image.bytes[index] = value;
    seen_[index] = true;
    ++q.BulkReadCount;
    if (q.BulkReadCount < ParameterMemorySize) {
        if (!q.RampSoakReadStart)
            transferView_.setTransferProgress(q.BulkReadCount * 1000 / ParameterMemorySize);
        return;
    }
    endUpload();
}

void ParameterTransfers::endUpload() {
    EngineRequests& q = model_.req;
    q.BulkReadActive = false;
    if (const DeviceSlot* sel = model_.selected())
        image.seal(sel->Family, sel->FirmwareVersion);
    transferView_.showTransferProgress(false, {});
    enableImageMenus(true);
    if (q.RampSoakReadStart)
        return;
    const int missing = int(std::count(seen_.begin(), seen_.end(), false));
    std::string text = ImageTitle(image);
    if (missing == 0)
        text += text::UploadIntoBuffer;
    else
        text += " parameters uploaded into buffer, but " + std::to_string(missing) +
                " of the 256 bytes never came (they read 0)";
    transferView_.showUploadDone(text);
}

void ParameterTransfers::enableImageMenus(bool enabled) {
    view_.enableMenu(MonitorMenu::SAVE1, enabled && fileChosen);
    view_.enableMenu(MonitorMenu::SAVEAS1, enabled);
    view_.enableMenu(MonitorMenu::DOWNLOAD1, enabled);
    view_.enableMenu(MonitorMenu::WRITEALL, enabled);
}

void ParameterTransfers::TransferEndedEarly() {
    transferView_.showTransferProgress(false, {});
    transferView_.setTransferProgress(0);
    transferView_.showTransferStopped(
        "The transfer stopped before its end: the controller was deselected, dropped or refused "
        "it. Nothing after the last step shown was written or read.");
}

void ParameterTransfers::ClearImageState() {
    image.bytes[256] = 0;
    fileChosen = false;
}

} // namespace zu
