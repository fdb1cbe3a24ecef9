#include "TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int signalNumber) {
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    if (pipeFds[1] >= 0) [[maybe_unused]]
        const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() {
    for (int s : kSignals)
        if (handlerInstalled(s))
            std::signal(s, SIG_DFL);
    notifier_.reset();
    for (int& fd : pipeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool TerminationSignals::install() {
    if (pipeFds[0] < 0) {
        if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
            pipeFds[0] = pipeFds[1] = -1;
            return false;
        }
        notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
    return true;
}

bool TerminationSignals::handlerInstalled(int signalNumber) {
    struct sigaction current = {};
    if (::sigaction(signalNumber, nullptr, &current) != 0)
        return false;
    return current.sa_handler == onSignal;
}

void TerminationSignals::readPipe() {
    char bytes[16];
    ssize_t n;
    while ((n = ::read(pipeFds[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            Q_EMIT received(static_cast<unsigned char>(bytes[i]));
}
