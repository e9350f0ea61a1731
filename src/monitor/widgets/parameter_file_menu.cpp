#include "monitor/widgets/parameter_file_menu.h"

#include "core/texts.h"
#include "device/parameter_download.h"
#include "ui/dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QVBoxLayout>

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
    if (comparedBuffer_) {
        const ParameterImage device = transfers_.image;
        transfers_.image = *comparedBuffer_;
        comparedBuffer_.reset();
        showComparison(device);
        return;
    }
    dialogs_.message(owner_, QString::fromStdString(text), q(text::CaptionUploadDone));
}

void ParameterFileMenu::showTransferStopped(const std::string& text) {
    if (comparedBuffer_) {
        transfers_.image = *comparedBuffer_;
        comparedBuffer_.reset();
    }
    dialogs_.message(owner_, QString::fromStdString(text));
}

void ParameterFileMenu::COMPARE1Click() {
    const DeviceSlot* sel = model_.selected();
    if (!sel || !sel->connected || transfers_.running())
        return;
    comparedBuffer_ = transfers_.image;
    if (!transfers_.StartUpload(text::MenuCompare)) {
        comparedBuffer_.reset();
        dialogs_.message(owner_, q(text::EnableComWriteFirst));
    }
}

void ParameterFileMenu::showComparison(const ParameterImage& device) {
    const std::vector<ParameterDifference> diffs = CompareImageParameters(transfers_.image, device);
    const QString buffer = title(), controller = QString::fromStdString(ImageTitle(device));
    if (diffs.empty()) {
        dialogs_.message(owner_,
                         QStringLiteral("The controller (%1) holds the parameters of the buffer "
                                        "(%2): nothing differs.")
                             .arg(controller, buffer),
                         q(text::MenuCompare));
        return;
    }
    QDialog dlg(owner_);
    dlg.setObjectName(QStringLiteral("CompareDlg"));
    dlg.setWindowTitle(q(text::MenuCompare));
    auto* layout = new QVBoxLayout(&dlg);
    auto* heading = new QLabel(
        QStringLiteral("%1 between the buffer (%2) and the controller (%3):")
            .arg(diffs.size() == 1 ? QStringLiteral("1 parameter differs")
                                   : QStringLiteral("%1 parameters differ").arg(diffs.size()))
            .arg(buffer, controller),
        &dlg);
    heading->setObjectName(QStringLiteral("CompareLb"));
    heading->setWordWrap(true);
    layout->addWidget(heading);
    auto* table = new QTableWidget(int(diffs.size()), 3, &dlg);
    table->setObjectName(QStringLiteral("CompareList"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Parameter"), QStringLiteral("Buffer"), QStringLiteral("Controller")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < int(diffs.size()); ++r) {
        const ParameterDifference& d = diffs[std::size_t(r)];
        table->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(d.name)));
        table->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(d.first)));
        table->setItem(r, 2, new QTableWidgetItem(QString::fromStdString(d.second)));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    layout->addWidget(buttons);
    dlg.resize(520, 360);
    dialogs_.runModal(dlg);
}

QString ParameterFileMenu::title() const {
    return QString::fromStdString(ImageTitle(transfers_.image));
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
        transfers_.enableImageMenus(false);
        return;
    case ParFileStatus::WrongCheck:
        dialogs_.message(owner_, q(text::FileLengthOrContentError), q(text::CaptionFileError));
        transfers_.enableImageMenus(false);
        return;
    case ParFileStatus::Ok:
        break;
    }
    transfers_.enableImageMenus(true);
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
