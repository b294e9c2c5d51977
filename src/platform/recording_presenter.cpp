#include "platform/recording_presenter.h"

namespace rl {

int RecordingPresenter::showMessage(const MessageBoxRequest& request) {
    requests.push_back(request);
    if (answers.empty()) return defaultAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace rl
