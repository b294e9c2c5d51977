#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <concepts>
#include <exception>
#include <typeinfo>

namespace rl {

// The writer behind the application-wide error handler: every exception that no
// command handles is appended, one line each, to "Relantomador.log" in the
// current folder. The user sees nothing.
//
// Line format (UTF-8, ended by CR LF, no time stamp):
//   "Ocorreu um erro no sistema, erro: " + message + " - Objeto :" + object name
//
// The log is only ever appended to, never truncated. Every function here is
// noexcept and gives up quietly (returns false) when the log cannot be opened or
// written, so the handler can never fail in turn or loop. Safe to call from any
// thread; each line goes out in one append.
class ErrorLog {
public:
    static constexpr const char* FileName = "Relantomador.log";

    // Path of the log in the current folder (as the current folder is now).
    static QString path();

    // The bytes of one log line, line break included.
    static QByteArray formatLine(const QString& message, const QString& objectName);

    // Appends one line to the log in the current folder / to the given file.
    static bool append(const QString& message, const QString& objectName) noexcept;
    static bool appendTo(const QString& path, const QString& message, const QString& objectName) noexcept;

    // The handler's entry point for a QObject sender. Every QObject is a
    // component here: it is named by its objectName(), which may be empty. A null
    // sender is named by an empty text.
    static bool logException(const QObject* sender, const std::exception& error) noexcept;

    // Any other sender is named by its class (the dynamic class when it is
    // polymorphic), as the compiler spells it ("rl::Something").
    template <class T>
    requires(!std::derived_from<T, QObject>) static bool logException(const T* sender,
                                                                      const std::exception& error) noexcept {
        if (!sender) return logException(static_cast<const QObject*>(nullptr), error);
        return logExceptionOfClass(typeid(*sender), error);
    }

    // The exception's message as a QString (what() is UTF-8).
    static QString messageOf(const std::exception& error);
    // Readable class name of a type ("rl::Something", not the mangled one).
    static QString className(const std::type_info& type);

private:
    static bool logExceptionOfClass(const std::type_info& type, const std::exception& error) noexcept;
};

} // namespace rl
