#pragma once
// The monitor's FILE menu (OPEN, SAVE, SAVE AS) and the transfers of the
// PARAMETERS menu (UPLOAD, WRITE TO SELECTED / ALL CONNECTED DEVICE): the
// prompts and messages around the parameter image, asked through the Dialogs
// service. The transfers themselves run in ParameterTransfers.
#include "monitor/logic/parameter_transfers.h"

#include <QString>
#include <optional>

class QLabel;
class QProgressBar;
class QWidget;

namespace zu {

class Dialogs;

// It is also what the transfers show: ProgressLb and ProgressBar of the
// parameter panel, and the "Upload Done" message.
class ParameterFileMenu : public TransferView {
  public:
    ParameterFileMenu(MonitorModel& model, MonitorView& view, Dialogs& dialogs, QWidget* owner,
                      QLabel* progressLb, QProgressBar* progressBar);

    ParameterTransfers& transfers() { return transfers_; }

    void UPLOAD1Click();
    void OPEN1Click();
    void SAVE1Click();
    void SAVEAS1Click();
    // WRITE TO SELECTED DEVICE (broadcast false) and WRITE TO ALL CONNECTED DEVICE.
    void DOWNLOAD1Click(bool broadcast);
    // FILE > COMPARE WITH DEVICE...: uploads the selected controller and lists
    // the parameters in which it differs from the buffer; the buffer stays.
    void COMPARE1Click();

    QString ParameterFileName;

    void showTransferProgress(bool shown, const std::string& caption) override;
    void setTransferProgress(int position) override;
    void showUploadDone(const std::string& text) override;
    void showTransferStopped(const std::string& text) override;

  private:
    void showComparison(const ParameterImage& device);
    bool save(const QString& path);
    QString title() const;

    MonitorModel& model_;
    MonitorView& view_;
    Dialogs& dialogs_;
    QWidget* owner_;
    QLabel* progressLb_;
    QProgressBar* progressBar_;
    ParameterTransfers transfers_{model_, view_, *this};
    // The buffer while a comparison uploads the device over it.
    std::optional<ParameterImage> comparedBuffer_;
};

} // namespace zu
