#pragma once
// Every modal prompt of the program goes through one Dialogs service: message
// boxes, open/save file dialogs and the modal run of a window. The program
// uses QtDialogs; tests use ScriptedDialogs, which answers from a queue and
// records what was asked, so no test ever waits on a modal loop.
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

class QDialog;
class QWidget;

namespace zu {

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A notice with an OK button. An empty caption means the application's title.
    virtual void message(QWidget* parent, const QString& text, const QString& caption = {}) = 0;
    // True for OK.
    virtual bool confirmOkCancel(QWidget* parent, const QString& text,
                                 const QString& caption = {}) = 0;
    // True for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text, const QString& caption = {}) = 0;
    // filter in the "Text|*.EXT" form (pairs may repeat: "A|*.a|B|*.b"); defaultExt
    // without dot, appended to a saved name that has no extension. Empty: cancelled.
    virtual QString openFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultExt = {}) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultExt = {}) = 0;
    // Shows a window modally and returns its result (QDialog::Accepted/Rejected).
    virtual int runModal(QDialog& dialog) = 0;
};

// "Text|*.EXT|Other|*.OTH" as a Qt name filter list. File names on Linux are
// case-sensitive, so each pattern also matches its other case: "*.PAR" finds
// "a.par" too.
QStringList QtNameFilters(const QString& filter);
// name with ".ext" appended when its file name has no extension of its own.
QString WithDefaultExtension(const QString& name, const QString& defaultExt);

class QtDialogs : public Dialogs {
  public:
    // title: the caption of a box asked without one (the product title);
    // empty means the application's name.
    explicit QtDialogs(const QString& title = {}) : title_(title) {}

    void message(QWidget* parent, const QString& text, const QString& caption = {}) override;
    bool confirmOkCancel(QWidget* parent, const QString& text,
                         const QString& caption = {}) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& caption = {}) override;
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& defaultExt = {}) override;
    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& defaultExt = {}) override;
    int runModal(QDialog& dialog) override;

  private:
    QString captionOr(const QString& caption) const;
    QString title_;
};

// For tests: answers come from queues in the order they were pushed; each
// prompt is recorded. A question without a queued answer is answered with
// Cancel/No, a file dialog without one is cancelled, and both count in
// unscripted(), so a test notices a prompt it did not expect.
class ScriptedDialogs : public Dialogs {
  public:
    enum class Kind { Message, OkCancel, YesNo, OpenFile, SaveFile, Modal };
    struct Shown {
        Kind kind;
        QString text;    // message text, or the filter of a file dialog
        QString caption; // caption, or the default extension of a file dialog
    };

    void pushAnswer(bool okOrYes) { answers_.push_back(okOrYes); }
    void pushFileName(const QString& name) { fileNames_.push_back(name); }
    // The next runModal calls this with the shown dialog; the script clicks
    // what a user would and must end the dialog (accept, reject, a button).
    // runModal then returns the dialog's result.
    void pushModal(std::function<void(QDialog&)> script) { modals_.push_back(std::move(script)); }
    // Called while a message box would be up, before it returns (an event
    // arriving during a modal box, for instance).
    std::function<void(const Shown&)> whileShown;

    const QList<Shown>& shown() const { return shown_; }
    QStringList messages() const; // texts of the Message entries, in order
    int unscripted() const { return unscripted_; }
    bool allAnswersUsed() const {
        return answers_.empty() && fileNames_.empty() && modals_.empty();
    }
    void clear();

    void message(QWidget* parent, const QString& text, const QString& caption = {}) override;
    bool confirmOkCancel(QWidget* parent, const QString& text,
                         const QString& caption = {}) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& caption = {}) override;
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& defaultExt = {}) override;
    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& defaultExt = {}) override;
    int runModal(QDialog& dialog) override;

  private:
    void record(Kind kind, const QString& text, const QString& caption);
    bool nextAnswer();
    QString nextFileName();

    std::deque<bool> answers_;
    std::deque<QString> fileNames_;
    std::deque<std::function<void(QDialog&)>> modals_;
    QList<Shown> shown_;
    int unscripted_ = 0;
};

} // namespace zu
