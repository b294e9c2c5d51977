#pragma once

#include <stdexcept>
#include <string>

namespace rl {

// The one exception type of the project. what() is the exact message text the
// user or the log sees, in UTF-8.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace rl
