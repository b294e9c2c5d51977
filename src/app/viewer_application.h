#pragma once

#include <QApplication>

#include <functional>

namespace rl {

// The viewer's application object. Its notify() is the application-wide error
// handler: an exception that escapes an event handler is written to the error
// log ("Relantomador.log" in the current folder, see ErrorLog) with the
// receiving object's name, and is never shown. The event counts as not handled.
class ViewerApplication : public QApplication {
    Q_OBJECT
public:
    ViewerApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs one dispatch under the handler: returns its result, or false after
    // logging an exception that escaped it. Exceptions raised while logging are
    // swallowed, and an exception escaping while a previous one is being logged
    // is dropped, so the handler never fails in turn or loops. Public so that
    // tests can drive the handler through an application they did not create.
    static bool guardedDispatch(QObject* receiver, const std::function<bool()>& dispatch) noexcept;
};

} // namespace rl
