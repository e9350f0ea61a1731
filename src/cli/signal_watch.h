#pragma once
// Ctrl-C and SIGTERM as an ordinary event: the signal handler only writes one
// byte into a socket pair; the event loop reads it and calls `onSignal`.
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace zu::cli {

class SignalWatch : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers for SIGINT and SIGTERM; the previous ones come
    // back when the watch is destroyed. Only one watch may exist at a time.
    explicit SignalWatch(std::function<void(int signal)> onSignal);
    ~SignalWatch() override;
    bool installed() const { return installed_; }

  private:
    void readSignal();
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool installed_ = false;
};

} // namespace zu::cli
