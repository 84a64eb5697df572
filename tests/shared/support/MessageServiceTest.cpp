#include "MessageService.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QStringList>

using namespace vello;

TEST(MessageService, StandardErrorShowsDescriptionNumberAndSource)
{
    RecordingMessageService rec;
    ScopedMessageService scope(&rec);
    MessageService::standardError({QStringLiteral("型が一致しません。"), 13, QStringLiteral("Velloplayer")});
    MessageService::standardError({QStringLiteral("Automation"), errors::AutomationBase + 0x1F5, "src"});
    ASSERT_EQ(rec.shown().size(), 2);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("型が一致しません。(13)"));
    EXPECT_EQ(rec.shown()[0].caption, "Velloplayer");
    EXPECT_EQ(rec.shown()[0].icon, MessageIcon::Critical);
    EXPECT_EQ(rec.shown()[1].text, "Automation(501)");
}

TEST(MessageService, QuestionsTakeQueuedAnswersThenTheDefault)
{
    RecordingMessageService rec;
    ScopedMessageService scope(&rec);
    rec.queueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(MessageService::question("q1", true));
    EXPECT_FALSE(MessageService::question("q2", true));
    EXPECT_TRUE(MessageService::question("q3", false));
    EXPECT_EQ(rec.shown()[0].icon, MessageIcon::Question);
    EXPECT_EQ(rec.shown()[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(rec.shown()[0].caption, MessageService::programTitle());
}

TEST(MessageService, ScopeRestoresThePreviousService)
{
    RecordingMessageService outer;
    ScopedMessageService a(&outer);
    {
        RecordingMessageService inner;
        ScopedMessageService b(&inner);
        MessageService::warning("inner");
        EXPECT_EQ(inner.shown().size(), 1);
    }
    MessageService::warning("outer");
    EXPECT_EQ(outer.shown().size(), 1);
}

namespace {
QStringList g_logged;
void captureLog(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    if (QByteArray(context.category) == "vello.message")
        g_logged.append(text);
}
} // namespace

TEST(MessageService, LogsEveryMessageVerbatimWithItsAnswerWhenAskedFor)
{
    RecordingMessageService rec;
    ScopedMessageService scope(&rec);
    QLoggingCategory::setFilterRules(QStringLiteral("vello.message.info=true"));
    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    rec.queueAnswer(MessageAnswer::Yes);
    MessageService::question(QStringLiteral("結合処理が終了しました\n引き続き？"), true, QStringLiteral("t"));
    MessageService::warning(QStringLiteral("終了位置を指定してください"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    ASSERT_EQ(g_logged.size(), 4);
    EXPECT_EQ(g_logged[0], QStringLiteral("question [t] 結合処理が終了しました\n引き続き？"));
    EXPECT_EQ(g_logged[1], QStringLiteral("answer: Yes"));
    EXPECT_TRUE(g_logged[2].endsWith(QStringLiteral("] 終了位置を指定してください")));
    EXPECT_EQ(g_logged[3], QStringLiteral("answer: OK"));
}
