#include "awake/quitonsignal.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <array>
#include <atomic>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace zentrel {

namespace {
constexpr std::array EndingSignals { SIGINT, SIGTERM, SIGHUP };
std::atomic<int> firstSignal { 0 }; // 0 until a signal asks for the end
std::atomic<bool> listening { false };

sigset_t endingSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int number : EndingSignals)
        sigaddset(&set, number);
    return set;
}

// As a shell reports a program ended by the signal.
[[noreturn]] void endNow(int number)
{
    ::_exit(128 + number);
}

// The one thread the ending signals reach, taken in turn: the first asks for the orderly
// end, then waits out its bound; a second signal within it ends the process at once.
void listen(sigset_t set)
{
    int number = 0;
    while (::sigwait(&set, &number) != 0 || number == 0) { }
    firstSignal.store(number);
    // Not quit(): that asks every window to close, and the main window asks a question.
    // exit() ends every event loop running, a modal box's too.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    timespec until {};
    ::clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += EndWithinSeconds;
    for (;;) {
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        timespec left { until.tv_sec - now.tv_sec, until.tv_nsec - now.tv_nsec };
        if (left.tv_nsec < 0) {
            --left.tv_sec;
            left.tv_nsec += 1'000'000'000;
        }
        if (left.tv_sec < 0)
            endNow(number); // the watchdog: the orderly end has not come
        const int second = ::sigtimedwait(&set, nullptr, &left);
        if (second > 0)
            endNow(second);
    }
}
} // namespace

void blockEndingSignals()
{
    const sigset_t set = endingSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool quitOnSignals()
{
    if (!QCoreApplication::instance())
        return false;
    if (listening.exchange(true))
        return true;
    blockEndingSignals(); // this thread at least; threads started before main's call are not
    std::thread(listen, endingSet()).detach();
    return true;
}

bool endRequested()
{
    return firstSignal.load() != 0;
}

int endingSignal()
{
    return firstSignal;
}

} // namespace zentrel
