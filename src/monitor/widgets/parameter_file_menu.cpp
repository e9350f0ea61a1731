#include "monitor/widgets/parameter_file_menu.h"

#include "core/texts.h"
#include "ui/dialogs.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

namespace zu {

namespace {
QString q(const char* s) {
    return QString::fromLatin1(s);
}
} // namespace

ParameterFileMenu::ParameterFileMenu(MonitorModel& model, MonitorView& view, Dialogs& dialogs,
                                     QWidget* owner, QLabel* progressLb, QProgressBar* progressBar)
    : model_(model), view_(view), dialogs_(dialogs), owner_(owner), progressLb_(progressLb),
      progressBar_(progressBar) {
    if (progressBar_)
        progressBar_->setRange(0, 1000);
}

void ParameterFileMenu::showTransferProgress(bool shown, const std::string& caption) {
    if (progressLb_) {
        if (shown)
            progressLb_->setText(QString::fromStdString(caption));
        progressLb_->setVisible(shown);
    }
    if (progressBar_)
        progressBar_->setVisible(shown);
}

void ParameterFileMenu::setTransferProgress(int position) {
    if (progressBar_)
        progressBar_->setValue(position);
}

void ParameterFileMenu::showUploadDone(const std::string& text) {
    dialogs_.message(owner_, QString::fromStdString(text), q(text::CaptionUploadDone));
}

void ParameterFileMenu::showTransferStopped(const std::string& text) {
    dialogs_.message(owner_, QString::fromStdString(text));
}

QString ParameterFileMenu::title() const {
    return QString::fromStdString(ImageTitle(transfers_.image));
}

void ParameterFileMenu::enableImageMenus(bool enabled) {
    view_.enableMenu(MonitorMenu::SAVE1, enabled && transfers_.fileChosen);
    view_.enableMenu(MonitorMenu::SAVEAS1, enabled);
    view_.enableMenu(MonitorMenu::DOWNLOAD1, enabled);
    view_.enableMenu(MonitorMenu::WRITEALL, enabled);
}

void ParameterFileMenu::UPLOAD1Click() {
    const DeviceSlot* sel = model_.selected();
    if (!sel || !sel->connected)
        return;
    if (!transfers_.StartUpload(text::MenuUpload) && sel->Family == 'A' &&
        sel->ComWriteEnabled != 1)
        dialogs_.message(owner_, q(text::EnableComWriteFirst));
}

void ParameterFileMenu::OPEN1Click() {
    const QString path = dialogs_.openFileName(owner_, q(text::ParameterFilter), "par");
    if (path.isEmpty())
        return;
    switch (LoadParFile(path, &transfers_.image)) {
    case ParFileStatus::CannotOpen:
        dialogs_.message(owner_, q(text::FileCannotOpen), q(text::CaptionFileError));
        return;
    case ParFileStatus::WrongLength:
        dialogs_.message(owner_, q(text::FileLengthOrContentError), q(text::CaptionFileError));
        return;
    case ParFileStatus::CannotRead:
        dialogs_.message(owner_, q(text::FileCannotRead), q(text::CaptionBufferError));
        transfers_.image.clear();
        enableImageMenus(false);
        return;
    case ParFileStatus::WrongCheck:
        dialogs_.message(owner_, q(text::FileLengthOrContentError), q(text::CaptionFileError));
        enableImageMenus(false);
        return;
    case ParFileStatus::Ok:
        break;
    }
    enableImageMenus(true);
    dialogs_.message(owner_, title() + q(text::ParametersLoaded), q(text::CaptionDone));
}

bool ParameterFileMenu::save(const QString& path) {
    if (!SaveParFile(path, transfers_.image)) {
        dialogs_.message(owner_, q(text::FailToSaveFile));
        return false;
    }
    ParameterFileName = path;
    transfers_.fileChosen = true;
    view_.enableMenu(MonitorMenu::SAVE1, true);
    dialogs_.message(owner_, title() + q(text::SaveParametersDone), q(text::CaptionDone));
    return true;
}

void ParameterFileMenu::SAVEAS1Click() {
    const QString path = dialogs_.saveFileName(owner_, q(text::ParameterFilter), "par");
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) &&
        !dialogs_.confirmOkCancel(owner_, q(text::OverWriteFile) + QFileInfo(path).fileName()))
        return;
    save(path);
}

void ParameterFileMenu::SAVE1Click() {
    if (transfers_.fileChosen && !ParameterFileName.isEmpty())
        save(ParameterFileName);
}

void ParameterFileMenu::DOWNLOAD1Click(bool broadcast) {
    const DeviceSlot* sel = model_.selected();
    if (!sel || !sel->connected)
        return;
    if (sel->Family != 'C' && sel->ComWriteEnabled != 1) {
        dialogs_.message(owner_, q(text::EnableComWriteFirst));
        return;
    }
    if (broadcast) {
        if (!dialogs_.askYesNo(owner_, q(text::AllDevicesConfirm),
                               q(text::CaptionModelNameConfirm)))
            return;
    } else if (sel->Family != transfers_.image.family() &&
               !dialogs_.askYesNo(owner_, q(text::DifferentModelConfirm),
                                  q(text::CaptionModelNameConfirm))) {
        return;
    }
    transfers_.StartDownload(broadcast, broadcast ? text::MenuWriteAll : text::MenuWriteSelected);
}

} // namespace zu
