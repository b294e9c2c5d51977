#include "platform/recording_launcher.h"

#include "platform/error.h"

namespace rl {

bool RecordingLauncher::Installed(LaunchTarget target) {
    return !missing.contains(target);
}

void RecordingLauncher::Open(LaunchTarget target, const QString& path) {
    if (missing.contains(target) || failing.contains(target))
        throw Error(("o programa para abrir " + path + " não pôde ser iniciado").toStdString());
    launches.push_back({target, path});
}

} // namespace rl
