#include "platform/message_presenter.h"
#include "platform/recording_presenter.h"

#include <gtest/gtest.h>

using namespace rl;

namespace {

TEST(MessagePresenter, ErrorBox) {
    RecordingPresenter recorder;
    ScopedMessagePresenter installed(recorder);
    ShowErrorBox(QString::fromUtf8("Erro ao aplicar permissões, erro: x"));
    ASSERT_EQ(recorder.requests.size(), 1u);
    const MessageBoxRequest& box = recorder.requests[0];
    EXPECT_EQ(box.text, QString::fromUtf8("Erro ao aplicar permissões, erro: x"));
    EXPECT_EQ(box.caption, QStringLiteral("Erro..."));
    EXPECT_EQ(box.icon, MessageIcon::Error);
    EXPECT_EQ(box.buttons, MessageButtons(MessageButton::Ok));
    EXPECT_FALSE(box.centredOnScreen);
}

TEST(MessagePresenter, PlainMessage) {
    RecordingPresenter recorder;
    ScopedMessagePresenter installed(recorder);
    ShowPlainMessage(QStringLiteral("Tipo de Arquivo Inválido"));
    ASSERT_EQ(recorder.requests.size(), 1u);
    const MessageBoxRequest& box = recorder.requests[0];
    EXPECT_EQ(box.text, QString::fromUtf8("Tipo de Arquivo Inválido"));
    EXPECT_EQ(box.caption, QString::fromUtf8("Visualizando Relatório"));
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(box.buttons, MessageButtons(MessageButton::Ok));
    EXPECT_TRUE(box.centredOnScreen);
}

TEST(MessagePresenter, ScopedPresentersNestAndRestore) {
    RecordingPresenter outer;
    RecordingPresenter inner;
    {
        ScopedMessagePresenter a(outer);
        {
            ScopedMessagePresenter b(inner);
            EXPECT_EQ(&MessagePresenter::current(), &inner);
        }
        EXPECT_EQ(&MessagePresenter::current(), &outer);
    }
    EXPECT_NE(dynamic_cast<StderrMessagePresenter*>(&MessagePresenter::current()), nullptr);
}

TEST(MessagePresenter, RecorderAnswersFromItsScript) {
    RecordingPresenter recorder;
    recorder.answers = {int(MessageButton::No), int(MessageButton::Yes)};
    const MessageBoxRequest question{QStringLiteral("?"), QStringLiteral("c"), MessageIcon::Question,
                                     MessageButton::Yes | MessageButton::No, false};
    EXPECT_EQ(recorder.showMessage(question), int(MessageButton::No));
    EXPECT_EQ(recorder.showMessage(question), int(MessageButton::Yes));
    EXPECT_EQ(recorder.showMessage(question), int(MessageButton::Ok));
    EXPECT_EQ(recorder.requests.size(), 3u);
}

TEST(MessagePresenter, StandardErrorPresenterWritesOneLineAndTakesTheCautiousAnswer) {
    StderrMessagePresenter presenter;
    ::testing::internal::CaptureStderr();
    const int answer =
        presenter.showMessage({QStringLiteral("Substituir?"), QStringLiteral("Salvar"), MessageIcon::Question,
                               MessageButton::Yes | MessageButton::No, false});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Salvar: Substituir?\n");
    EXPECT_EQ(answer, int(MessageButton::No));

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(presenter.showMessage({QStringLiteral("t"), QStringLiteral("c"), MessageIcon::None,
                                     MessageButton::Ok | MessageButton::Cancel, false}),
              int(MessageButton::Cancel));
    EXPECT_EQ(presenter.showMessage(
                  {QStringLiteral("t"), QStringLiteral("c"), MessageIcon::None, MessageButton::Ok, false}),
              int(MessageButton::Ok));
    ::testing::internal::GetCapturedStderr();
}

} // namespace
