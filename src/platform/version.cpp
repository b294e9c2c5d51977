#include "platform/version.h"

#include "version_info.h"

namespace rl {

namespace {
// A version part left empty by the build expands to "(+0)", that is 0.
constexpr int Major = (RL_VERSION_MAJOR + 0);
constexpr int Minor = (RL_VERSION_MINOR + 0);
constexpr int Patch = (RL_VERSION_PATCH + 0);
constexpr int Tweak = (RL_VERSION_TWEAK + 0);
} // namespace

QString ExeVersionString() {
    return QStringLiteral("%1.%2.%3.%4").arg(Major).arg(Minor).arg(Patch).arg(Tweak);
}

} // namespace rl
