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
constexpr std::array EndingSignals { SIGINT, SIGTERM, SIGHUP };
int wakePipe[2] = { -1, -1 };
volatile std::sig_atomic_t firstSignal = 0; // 0 until a signal asks for the end

// As a shell reports a program ended by the signal.
[[noreturn]] void endNow(int number)
{
    ::_exit(128 + number);
}

// Only async-signal-safe calls in the handlers. The ending signals block one another
// while a handler runs, so a second one always finds the first recorded.
void onSignal(int number)
{
    if (firstSignal != 0)
        endNow(number); // a second signal: at once
    firstSignal = number;
    ::alarm(EndWithinSeconds); // the watchdog: onAlarm ends what the orderly end has not
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}

void onAlarm(int)
{
    endNow(firstSignal);
}

void handle(int number, void (*handler)(int))
{
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int ending : EndingSignals)
        sigaddset(&action.sa_mask, ending);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
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
        // exit() ends every event loop running, a modal box's too.
        QCoreApplication::exit(0);
    });
    handle(SIGALRM, onAlarm);
    for (int number : EndingSignals)
        handle(number, onSignal);
    return true;
}

bool endRequested()
{
    return firstSignal != 0;
}

int endingSignal()
{
    return firstSignal;
}

} // namespace zentrel
