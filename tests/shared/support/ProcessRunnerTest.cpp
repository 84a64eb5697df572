#include "ProcessRunner.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using vello::ProcessRunner;

TEST(ProcessRunner, PassesEveryArgumentAsOneWordAndWaits)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("args.txt");
    const QStringList odd = {"a b", "quote\"d", "$HOME", "x;rm -rf /", "line\nbreak", "`id`", "日本"};
    ProcessRunner r;
    r.setProgram("/bin/sh");
    // The script text is fixed; the odd words arrive as positional parameters only.
    r.setArguments(QStringList{"-c", "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0\"", out} + odd);
    EXPECT_EQ(r.Run(0), 0);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QList<QByteArray> parts = f.readAll().split('\0');
    parts.removeLast();
    QStringList got;
    for (const QByteArray& p : parts)
        got << QString::fromUtf8(p);
    EXPECT_EQ(got, odd);
}

TEST(ProcessRunner, ReportsExitCodesAndMissingPrograms)
{
    ProcessRunner r;
    r.setProgram("/bin/sh");
    r.setArguments({"-c", "exit 3"});
    EXPECT_EQ(r.Run(), 3);
    r.setProgram("/nonexistent/program");
    EXPECT_EQ(r.Run(), -1);
    EXPECT_FALSE(r.errorText().isEmpty());
}

TEST(ProcessRunner, TimeoutKillsAHangingProgram)
{
    ProcessRunner r;
    r.setProgram("/bin/sleep");
    r.setArguments({"30"});
    EXPECT_EQ(r.Run(0, 200), -1);
}
