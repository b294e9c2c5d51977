#include "app/viewer_application.h"

#include "platform/error.h"
#include "platform/error_log.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QObject>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

// An object whose event handler fails.
class Thrower : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) throw Error("falha no evento");
        if (event->type() == QEvent::User + 1) throw 42;
        return QObject::event(event);
    }
};

// A log that goes away before and after each case.
class ViewerApplicationHandler : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(ErrorLog::path()); }
    void TearDown() override { QFile::remove(ErrorLog::path()); }

    // Dispatches an event through the application as the viewer's notify() does.
    bool dispatch(QObject* receiver, QEvent::Type type) {
        QEvent event(type);
        return ViewerApplication::guardedDispatch(
            receiver, [&] { return QCoreApplication::instance()->notify(receiver, &event); });
    }
};

TEST_F(ViewerApplicationHandler, LogsAnExceptionEscapingAnEventHandlerWithTheComponentName) {
    Thrower thrower;
    thrower.setObjectName(QStringLiteral("butprint"));
    EXPECT_FALSE(dispatch(&thrower, QEvent::User));
    EXPECT_EQ(readFile(ErrorLog::path()),
              QByteArray("Ocorreu um erro no sistema, erro: falha no evento - Objeto :butprint\r\n"));

    // A second one is appended; an unnamed component gives an empty name.
    Thrower unnamed;
    EXPECT_FALSE(dispatch(&unnamed, QEvent::User));
    EXPECT_EQ(readFile(ErrorLog::path()),
              QByteArray("Ocorreu um erro no sistema, erro: falha no evento - Objeto :butprint\r\n"
                         "Ocorreu um erro no sistema, erro: falha no evento - Objeto :\r\n"));
}

TEST_F(ViewerApplicationHandler, SomethingThatIsNoExceptionClassIsLoggedToo) {
    Thrower thrower;
    thrower.setObjectName(QStringLiteral("Edit1"));
    EXPECT_FALSE(dispatch(&thrower, QEvent::Type(QEvent::User + 1)));
    const QByteArray log = readFile(ErrorLog::path());
    EXPECT_TRUE(log.startsWith("Ocorreu um erro no sistema, erro: ")) << log.toStdString();
    EXPECT_TRUE(log.endsWith(" - Objeto :Edit1\r\n")) << log.toStdString();
}

TEST_F(ViewerApplicationHandler, EventsThatDoNotFailPassThrough) {
    Thrower thrower;
    EXPECT_TRUE(ViewerApplication::guardedDispatch(&thrower, [] { return true; }));
    EXPECT_FALSE(QFile::exists(ErrorLog::path()));
}

TEST_F(ViewerApplicationHandler, ALogThatCannotBeWrittenDoesNotFailTheHandler) {
    // A folder where the log should be: every append fails, quietly.
    ASSERT_TRUE(QDir().mkpath(ErrorLog::path()));
    Thrower thrower;
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(dispatch(&thrower, QEvent::User));
    QDir().rmdir(ErrorLog::path());
}

TEST_F(ViewerApplicationHandler, AnExceptionInsideANestedDispatchIsLoggedOnce) {
    Thrower inner;
    inner.setObjectName(QStringLiteral("inner"));
    QObject outer;
    outer.setObjectName(QStringLiteral("outer"));
    const bool result = ViewerApplication::guardedDispatch(&outer, [&] {
        // The inner dispatch fails and is handled there; the outer one goes on.
        return !dispatch(&inner, QEvent::User);
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(readFile(ErrorLog::path()),
              QByteArray("Ocorreu um erro no sistema, erro: falha no evento - Objeto :inner\r\n"));
}

} // namespace
} // namespace rl::test
