#include "app/viewer_application.h"

#include "platform/error.h"
#include "platform/error_log.h"

#include <exception>

namespace rl {

ViewerApplication::ViewerApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ViewerApplication::notify(QObject* receiver, QEvent* event) {
    return guardedDispatch(receiver, [&] { return QApplication::notify(receiver, event); });
}

bool ViewerApplication::guardedDispatch(QObject* receiver, const std::function<bool()>& dispatch) noexcept {
    // Nested dispatches (an event sent from inside another) each have their own
    // guard; the innermost one that sees the exception logs it.
    static thread_local bool logging = false;
    try {
        return dispatch();
    } catch (const std::exception& error) {
        if (!logging) {
            logging = true;
            ErrorLog::logException(receiver, error);
            logging = false;
        }
    } catch (...) {
        if (!logging) {
            logging = true;
            try {
                ErrorLog::logException(receiver, Error("exceção desconhecida"));
            } catch (...) {
            }
            logging = false;
        }
    }
    return false;
}

} // namespace rl
