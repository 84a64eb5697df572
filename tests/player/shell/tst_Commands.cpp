#include "KeyCommands.h"
#include "ShortcutList.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace vello;

TEST(ShortcutList, TextIsExactlyTheListOfTheViewMenu)
{
    const QString text = shortcutListText();
    const QStringList lines = text.split(u'\r');
    ASSERT_EQ(lines.size(), 26);
    EXPECT_EQ(lines[0],
              QString::fromUtf16(u" \u3000\u3000        【Velloplayer ショートカットキー\u3000一覧】\t\t"));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], QString::fromUtf16(u"\tキー\t\t機能"));
    EXPECT_EQ(lines[3], QString::fromUtf16(u"  【操作系】"));
    EXPECT_EQ(lines[4], QString::fromUtf16(u"\tCTRL+B or ﾃﾝｷｰ2\t１つ前のファイルを再生する"));
    EXPECT_EQ(lines[10], QString::fromUtf16(u"\tF12\t\t停止"));
    EXPECT_EQ(lines[11], QString::fromUtf16(u"  【ファイルリスト】"));
    EXPECT_EQ(lines[15], QString::fromUtf16(u"  【メイン画面】"));
    EXPECT_EQ(lines[17], QString::fromUtf16(u"\tCtrl+F1\uFF5EF5\tログフォルダ\uFF11\uFF5E\uFF15に移動"));
    EXPECT_EQ(lines[22], QString::fromUtf16(u"\tAlt+F4\t終了"));
    EXPECT_EQ(lines[25], QString::fromUtf16(u"\tCTRL+S\t\tお気に入りの整理"));
    EXPECT_FALSE(text.contains(u'\n'));
    EXPECT_FALSE(text.endsWith(u'\r'));
}

TEST(KeyCommands, LettersWorkWithAndWithoutCtrlAndKeypadDigitsOnlyFromTheKeypad)
{
    for (Qt::KeyboardModifiers m : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        EXPECT_EQ(keyDownCommand(Qt::Key_P, m), KeyCommand::Play);
        EXPECT_EQ(keyDownCommand(Qt::Key_B, m), KeyCommand::Previous);
        EXPECT_EQ(keyDownCommand(Qt::Key_N, m), KeyCommand::Next);
        EXPECT_EQ(keyDownCommand(Qt::Key_Z, m), KeyCommand::RewindStart);
        EXPECT_EQ(keyDownCommand(Qt::Key_F, m), KeyCommand::FastForwardStart);
        EXPECT_EQ(keyDownCommand(Qt::Key_Q, m), KeyCommand::Pause);
    }
    EXPECT_EQ(keyDownCommand(Qt::Key_8, Qt::KeypadModifier), KeyCommand::Previous);
    EXPECT_EQ(keyDownCommand(Qt::Key_2, Qt::KeypadModifier), KeyCommand::Next);
    EXPECT_EQ(keyDownCommand(Qt::Key_5, Qt::KeypadModifier), KeyCommand::Play);
    EXPECT_EQ(keyDownCommand(Qt::Key_0, Qt::KeypadModifier), KeyCommand::Pause);
    EXPECT_EQ(keyDownCommand(Qt::Key_5, {}), KeyCommand::None);
    EXPECT_EQ(keyDownCommand(Qt::Key_F12, Qt::ShiftModifier), KeyCommand::Stop);
    EXPECT_EQ(keyUpCommand(Qt::Key_4, Qt::KeypadModifier), KeyCommand::RewindEnd);
    EXPECT_EQ(keyUpCommand(Qt::Key_F, {}), KeyCommand::FastForwardEnd);
    EXPECT_EQ(keyUpCommand(Qt::Key_P, {}), KeyCommand::None);
}

TEST(KeyCommands, COnlyTogglesWithCtrlAlone)
{
    EXPECT_EQ(keyDownCommand(Qt::Key_C, {}), KeyCommand::MarkCaption);
    EXPECT_EQ(keyDownCommand(Qt::Key_C, Qt::ControlModifier), KeyCommand::MarkToggle);
    EXPECT_EQ(keyDownCommand(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier), KeyCommand::MarkCaption);
}

TEST(KeyCommands, F1OpensTheHelp)
{
    EXPECT_EQ(keyDownCommand(Qt::Key_F1, {}), KeyCommand::Help);
    EXPECT_EQ(keyUpCommand(Qt::Key_F1, {}), KeyCommand::None);
}
