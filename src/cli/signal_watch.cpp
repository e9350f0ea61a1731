#include "cli/signal_watch.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zu::cli {

namespace {

// A signal handler can reach nothing but a file-scope value; it holds the
// write end of the pair while a watch exists, -1 otherwise.
volatile sig_atomic_t gWriteFd = -1;
int gReadFd = -1;
struct sigaction gOldInt {};
struct sigaction gOldTerm {};

void OnSignal(int sig) {
    const int fd = gWriteFd;
    if (fd < 0)
        return;
    const unsigned char b = static_cast<unsigned char>(sig);
    // Nothing else is safe here; a full pipe just loses a repeated Ctrl-C.
    [[maybe_unused]] const ssize_t n = ::write(fd, &b, 1);
}

} // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    int fds[2];
    if (gWriteFd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    gReadFd = fds[1];
    gWriteFd = fds[0];
    notifier_ = std::make_unique<QSocketNotifier>(gReadFd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalWatch::readSignal);

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, &gOldInt);
    ::sigaction(SIGTERM, &sa, &gOldTerm);
    installed_ = true;
}

SignalWatch::~SignalWatch() {
    if (!installed_)
        return;
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    notifier_.reset();
    const int w = gWriteFd;
    gWriteFd = -1;
    ::close(w);
    ::close(gReadFd);
    gReadFd = -1;
}

void SignalWatch::readSignal() {
    unsigned char b = 0;
    int last = 0;
    while (::read(gReadFd, &b, 1) == 1)
        last = b;
    if (last && onSignal_)
        onSignal_(last);
}

} // namespace zu::cli
