#pragma once

#include "platform/message_presenter.h"

namespace rl {

// Shows message boxes with QMessageBox: the request's text, caption, icon and
// buttons; a box asked to be centred on the screen is placed there, any other
// over the active window. Installed at start-up; GUI thread only.
class WidgetMessagePresenter : public MessagePresenter {
public:
    int showMessage(const MessageBoxRequest& request) override;
};

} // namespace rl
