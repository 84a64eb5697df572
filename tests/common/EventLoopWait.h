// Event-loop waiting for tests that drive real engines: no fixed sleeps, generous limits.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace TestWait {

/// Generous: two cores, and the suites also run under AddressSanitizer.
constexpr int kTimeoutMs = 30000;

/// Creates a QCoreApplication named name when none exists (kept for the whole process).
inline void ensureApplication(const char* name)
{
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

/// Runs the event loop until done() holds or timeoutMs passed; returns done().
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = kTimeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return done();
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

/// Runs the event loop for ms milliseconds.
inline void settle(int ms)
{
    waitFor([] { return false; }, ms);
}

} // namespace TestWait
