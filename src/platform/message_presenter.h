#pragma once

#include <QFlags>
#include <QString>

namespace rl {

// The application's title, the caption of plain messages.
inline constexpr const char* ApplicationTitle = "Visualizando Relatório";

enum class MessageIcon { None, Error, Warning, Information, Question };

// The buttons a message box offers, and the one the user pressed.
enum class MessageButton { NoButton = 0x0, Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8 };
Q_DECLARE_FLAGS(MessageButtons, MessageButton)

struct MessageBoxRequest {
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButton::Ok;
    bool centredOnScreen = false; // rather than over the active window
};

// The one way the program shows a modal message box. The application installs a
// presenter that shows real boxes; tests install one that records the request
// and answers from a script, so no test ever waits on a modal box.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;

    // Shows the box and returns the button pressed (a MessageButton value).
    virtual int showMessage(const MessageBoxRequest& request) = 0;

    // The presenter in use: the one installed, or the standard-error presenter
    // when none is. Installing does not transfer ownership; the caller keeps the
    // presenter alive while it is installed and installs nullptr (or restores the
    // previous one) before destroying it. Installing is thread-safe; presenters
    // themselves are called on the thread that shows the message.
    static MessagePresenter& current();
    // Installs a presenter (nullptr: the standard-error one); returns the previous
    // installed presenter, or nullptr when none was installed.
    static MessagePresenter* setCurrent(MessagePresenter* presenter);
};

// For programs without windows (batch mode, before the application's presenter
// is installed): writes "caption: text" as one line to standard error and
// answers with the most cautious button offered: Cancel, else No, else Ok, else
// Yes.
class StderrMessagePresenter : public MessagePresenter {
public:
    int showMessage(const MessageBoxRequest& request) override;
};

// Installs a presenter for the life of a scope and restores the previous one.
class ScopedMessagePresenter {
public:
    explicit ScopedMessagePresenter(MessagePresenter& presenter)
        : previous_(MessagePresenter::setCurrent(&presenter)) {}
    ~ScopedMessagePresenter() { MessagePresenter::setCurrent(previous_); }
    ScopedMessagePresenter(const ScopedMessagePresenter&) = delete;
    ScopedMessagePresenter& operator=(const ScopedMessagePresenter&) = delete;

private:
    MessagePresenter* previous_;
};

// Modal box with the text, the caption "Erro...", the error icon and one OK button.
void ShowErrorBox(const QString& text);

// The plain message: the application's title as caption, no icon, one OK button,
// centred on the screen.
void ShowPlainMessage(const QString& text);

} // namespace rl

Q_DECLARE_OPERATORS_FOR_FLAGS(rl::MessageButtons)
