#include "platform/message_presenter.h"

#include <atomic>
#include <cstdio>

namespace rl {

namespace {
std::atomic<MessagePresenter*> g_installed{nullptr};
} // namespace

MessagePresenter& MessagePresenter::current() {
    static StderrMessagePresenter fallback;
    MessagePresenter* installed = g_installed.load(std::memory_order_acquire);
    return installed ? *installed : fallback;
}

MessagePresenter* MessagePresenter::setCurrent(MessagePresenter* presenter) {
    return g_installed.exchange(presenter, std::memory_order_acq_rel);
}

int StderrMessagePresenter::showMessage(const MessageBoxRequest& request) {
    const QByteArray line = (request.caption + QStringLiteral(": ") + request.text + u'\n').toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    // Nobody can answer: take the choice that does the least.
    for (const MessageButton button : {MessageButton::Cancel, MessageButton::No, MessageButton::Ok})
        if (request.buttons.testFlag(button)) return int(button);
    return request.buttons.testFlag(MessageButton::Yes) ? int(MessageButton::Yes)
                                                        : int(MessageButton::NoButton);
}

void ShowErrorBox(const QString& text) {
    MessagePresenter::current().showMessage(
        {text, QStringLiteral("Erro..."), MessageIcon::Error, MessageButton::Ok, false});
}

void ShowPlainMessage(const QString& text) {
    MessagePresenter::current().showMessage(
        {text, QString::fromUtf8(ApplicationTitle), MessageIcon::None, MessageButton::Ok, true});
}

} // namespace rl
