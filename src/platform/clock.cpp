#include "platform/clock.h"

#include <atomic>

namespace rl {

namespace {

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

std::atomic<const Clock*> g_installed{nullptr};

} // namespace

const Clock& Clock::current() {
    static const SystemClock system;
    const Clock* installed = g_installed.load();
    return installed ? *installed : system;
}

const Clock* Clock::setCurrent(const Clock* clock) {
    return g_installed.exchange(clock);
}

} // namespace rl
