#include "platform/progress_presenter.h"

#include <atomic>

namespace rl {

namespace {

class SilentProgressPresenter : public ProgressPresenter {
public:
    std::unique_ptr<ProgressDisplay> begin(const QString&, std::function<void()>) override { return nullptr; }
};

std::atomic<ProgressPresenter*> g_installed{nullptr};

} // namespace

ProgressPresenter& ProgressPresenter::current() {
    static SilentProgressPresenter silent;
    ProgressPresenter* installed = g_installed.load();
    return installed ? *installed : silent;
}

ProgressPresenter* ProgressPresenter::setCurrent(ProgressPresenter* presenter) {
    return g_installed.exchange(presenter);
}

} // namespace rl
