#pragma once

#include "platform/message_presenter.h"

#include <deque>
#include <vector>

namespace rl {

// A presenter for tests: records every request and answers from a script of
// buttons, then with defaultAnswer once the script is used up. Install it with
// ScopedMessagePresenter.
class RecordingPresenter : public MessagePresenter {
public:
    int showMessage(const MessageBoxRequest& request) override;

    std::vector<MessageBoxRequest> requests;
    std::deque<int> answers;
    int defaultAnswer = int(MessageButton::Ok);
};

} // namespace rl
