#pragma once
// A serial line for tests: records what the program sends and lets the test
// push reply bytes, in any chunking, or break the line.
#include "core/serial_line.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

namespace zu::test {

class ScriptedLine : public SerialLine {
public:
    explicit ScriptedLine(QString name = QStringLiteral("scripted")) : name_(std::move(name)) {}
    bool open(const LineSettings& s, QString* error) override
    {
        if (!openError.isEmpty()) {
            *error = openError;
            return false;
        }
        settings = s;
        settingsHistory << s;
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void applySettings(const LineSettings& s) override
    {
        settings = s;
        settingsHistory << s;
    }
    bool write(const QByteArray& bytes) override
    {
        if (!open_)
            return false;
        written << bytes;
        return true;
    }
    QString deviceName() const override { return name_; }

    void push(const QByteArray& bytes)
    {
        if (open_ && received)
            received(bytes);
    }
    void breakLine(const QString& why)
    {
        open_ = false;
        if (failed)
            failed(why);
    }

    LineSettings settings;
    QList<LineSettings> settingsHistory;
    QList<QByteArray> written;
    QString openError;

private:
    QString name_;
    bool open_ = false;
};

// Hands out ScriptedLines and keeps a pointer to the last one made.
class ScriptedLineFactory : public LineFactory {
public:
    std::unique_ptr<SerialLine> create(const QString& device) override
    {
        auto line = std::make_unique<ScriptedLine>(device);
        line->openError = nextOpenError;
        last = line.get();
        devices << device;
        ++created;
        return line;
    }
    ScriptedLine* last = nullptr;
    QStringList devices;
    QString nextOpenError;
    int created = 0;
};

} // namespace zu::test
