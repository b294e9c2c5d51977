#pragma once

#include <QString>

namespace rl {

// The program's version as four decimal numbers joined by full stops
// ("1.0.0.0"), taken from the project version the build was configured with.
// A number the build does not define counts as 0, so the text is "0.0.0.0" for
// a build without version information (the CMake project always declares one).
QString ExeVersionString();

} // namespace rl
