#pragma once

#include "platform/launcher.h"

#include <set>
#include <vector>

namespace rl {

// A launcher for tests: records every program it is asked to start and starts
// none. Every kind counts as installed unless listed in missing; a kind listed
// in failing throws from Open, as a program that cannot be started would.
// Install it with ScopedLauncher.
class RecordingLauncher : public Launcher {
public:
    struct Launch {
        LaunchTarget target;
        QString path;
        bool operator==(const Launch&) const = default;
    };

    bool Installed(LaunchTarget target) override;
    void Open(LaunchTarget target, const QString& path) override;

    std::vector<Launch> launches;
    std::set<LaunchTarget> missing;
    std::set<LaunchTarget> failing;
};

} // namespace rl
