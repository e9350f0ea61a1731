#pragma once
// The parameter-image transfers of the selected device: the upload of its
// whole parameter memory into the image, and the download of the image back,
// register by register, to it or (broadcast) to every device on the line.
// They have no loop of their own: the starters set the engine's flags, and
// the engine calls the hooks below at fixed points of its turn.
#include "device/parameter_image.h"
#include "monitor/logic/monitor_model.h"
#include "monitor/logic/monitor_view.h"

#include <array>
#include <string>

namespace zu {

// What the transfers show: the progress on the parameter panel and the
// message at the end of an upload.
class TransferView {
  public:
    virtual ~TransferView() = default;
    virtual void showTransferProgress(bool shown, const std::string& caption) = 0;
    virtual void setTransferProgress(int position) = 0; // 0..1000
    virtual void showUploadDone(const std::string& text) = 0;
    // A transfer that could not go on: a step the device keeps refusing, or
    // the engine ended it (the controller deselected or dropped).
    virtual void showTransferStopped(const std::string& text) = 0;
};

class ParameterTransfers : public ParameterTransferHooks {
  public:
    ParameterTransfers(MonitorModel& model, MonitorView& view, TransferView& transferView);

    ParameterImage image;
    // A file was chosen by SAVE AS: SAVE is usable.
    bool fileChosen = false;

    // UPLOAD: false when nothing may start (no device, or a family-A device
    // with writing off: the caller shows the notice).
    bool StartUpload(const std::string& caption);
    // WRITE TO SELECTED DEVICE / WRITE TO ALL CONNECTED DEVICE, once the user
    // has confirmed; false when nothing may start.
    bool StartDownload(bool broadcast, const std::string& caption);
    bool running() const;
    // SAVE (when a file was chosen), SAVE AS and the two downloads: usable
    // exactly while the buffer holds an image.
    void enableImageMenus(bool enabled);

    // --- ParameterTransferHooks ---
    void PrepareDownloadWrite() override;
    void StoreImageByte(std::uint8_t index, std::uint8_t value) override;
    void CountDownloadStep() override;
    void ClearImageState() override;
    void TransferEndedEarly() override;

    // A step whose write the device refuses (or echoes changed) this often is
    // not tried again: the download stops instead of writing it for ever.
    static constexpr int MaxStepWrites = 4;

  private:
    void endUpload();
    void stopDownload(std::uint16_t reg);

    MonitorModel& model_;
    MonitorView& view_;
    TransferView& transferView_;
    std::array<bool, ParameterMemorySize> seen_{};
    int stepWrites_ = 0; // data writes of the current step sent so far
};

} // namespace zu
