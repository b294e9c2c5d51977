#pragma once

#include <QDateTime>

namespace rl {

// The one source of "now" for everything that writes the time into an output
// (the report's date, a PDF's creation date, an e-mail's Date header), so
// that tests can fix it and compare bytes.
class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time.
    virtual QDateTime now() const = 0;

    // The clock installed, or the system clock when none is. Installing does not
    // transfer ownership; the caller keeps it alive while it is installed.
    static const Clock& current();
    // Installs a clock (nullptr: the system clock); returns the previous one.
    static const Clock* setCurrent(const Clock* clock);
};

// Always the same moment; for tests and reproducible outputs.
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime moment) : moment_(std::move(moment)) {}
    QDateTime now() const override { return moment_; }

private:
    QDateTime moment_;
};

// Installs a clock for the life of a scope and restores the previous one.
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock) : previous_(Clock::setCurrent(&clock)) {}
    ~ScopedClock() { Clock::setCurrent(previous_); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* previous_;
};

} // namespace rl
