#include "MessageService.h"

#include <gtest/gtest.h>

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
