#include "awake/quitonsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zentrel {

namespace {
int wakePipe[2] = { -1, -1 };

void onSignal(int number)
{
    // Only async-signal-safe calls here: one byte into the pipe.
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}
} // namespace

bool quitOnSignals()
{
    if (wakePipe[0] >= 0)
        return true;
    if (!QCoreApplication::instance() || ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto *notifier
        = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (::read(wakePipe[0], bytes, sizeof bytes) > 0) { }
        // Not quit(): that asks every window to close, and the main window asks a question.
        QCoreApplication::exit(0);
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : std::array { SIGINT, SIGTERM, SIGHUP })
        ::sigaction(number, &action, nullptr);
    return true;
}

} // namespace zentrel
