#include "ui/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace zu {

namespace {

QString otherCase(const QString& pattern) {
    const QString up = pattern.toUpper();
    return up == pattern ? pattern.toLower() : up;
}

} // namespace

QStringList QtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        // Qt reads the last "(...)" of a filter as its patterns; a description
        // that already shows one gets it replaced by the real patterns.
        text.remove(trailingPatterns);
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pat = p.trimmed();
            if (pat.isEmpty())
                continue;
            patterns << pat;
            if (otherCase(pat) != pat)
                patterns << otherCase(pat);
        }
        patterns.removeDuplicates();
        result << QStringLiteral("%1 (%2)").arg(text.trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return result;
}

QString WithDefaultExtension(const QString& name, const QString& defaultExt) {
    if (name.isEmpty() || defaultExt.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + QLatin1Char('.') + defaultExt;
}

// --- QtDialogs ---

QString QtDialogs::captionOr(const QString& caption) const {
    if (!caption.isEmpty())
        return caption;
    return title_.isEmpty() ? QApplication::applicationName() : title_;
}

void QtDialogs::message(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox::information(parent, captionOr(caption), text, QMessageBox::Ok);
}

bool QtDialogs::confirmOkCancel(QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, captionOr(caption), text,
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtDialogs::askYesNo(QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, captionOr(caption), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString QtDialogs::openFileName(QWidget* parent, const QString& filter, const QString& defaultExt) {
    QFileDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(QtNameFilters(filter));
    dlg.setDefaultSuffix(defaultExt);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& filter, const QString& defaultExt) {
    QFileDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(QtNameFilters(filter));
    // The windows ask "Over write file : " themselves.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return WithDefaultExtension(dlg.selectedFiles().first(), defaultExt);
}

int QtDialogs::runModal(QDialog& dialog) {
    return dialog.exec();
}

// --- ScriptedDialogs ---

QStringList ScriptedDialogs::messages() const {
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Message)
            out << s.text;
    return out;
}

void ScriptedDialogs::clear() {
    answers_.clear();
    fileNames_.clear();
    modals_.clear();
    shown_.clear();
    unscripted_ = 0;
}

void ScriptedDialogs::record(Kind kind, const QString& text, const QString& caption) {
    shown_.push_back({kind, text, caption});
    if (whileShown)
        whileShown(shown_.back());
}

bool ScriptedDialogs::nextAnswer() {
    if (answers_.empty()) {
        ++unscripted_;
        return false;
    }
    const bool a = answers_.front();
    answers_.pop_front();
    return a;
}

QString ScriptedDialogs::nextFileName() {
    if (fileNames_.empty()) {
        ++unscripted_;
        return {};
    }
    QString n = fileNames_.front();
    fileNames_.pop_front();
    return n;
}

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& caption) {
    record(Kind::Message, text, caption);
}

bool ScriptedDialogs::confirmOkCancel(QWidget*, const QString& text, const QString& caption) {
    record(Kind::OkCancel, text, caption);
    return nextAnswer();
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& text, const QString& caption) {
    record(Kind::YesNo, text, caption);
    return nextAnswer();
}

QString ScriptedDialogs::openFileName(QWidget*, const QString& filter, const QString& defaultExt) {
    record(Kind::OpenFile, filter, defaultExt);
    return nextFileName();
}

QString ScriptedDialogs::saveFileName(QWidget*, const QString& filter, const QString& defaultExt) {
    record(Kind::SaveFile, filter, defaultExt);
    return WithDefaultExtension(nextFileName(), defaultExt);
}

int ScriptedDialogs::runModal(QDialog& dialog) {
    record(Kind::Modal, dialog.objectName(), dialog.windowTitle());
    if (modals_.empty()) {
        ++unscripted_;
        return QDialog::Rejected;
    }
    auto script = std::move(modals_.front());
    modals_.pop_front();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    script(dialog);
    dialog.hide();
    return dialog.result();
}

} // namespace zu
