// Permission cases (unreadable folders, read-only files) cannot be seen by root, which reads and writes
// everything: as root, such a test runs itself again as an unprivileged user and takes that run's result.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <unistd.h>

namespace Unprivileged {

/// The user and group the case runs as: nobody / nogroup.
constexpr int Id = 65534;

/// Call first in a permission test. As root it runs this one test again in a child process as uid and gid
/// 65534 (setpriv, no supplementary groups), records a failure unless the child passed it (a skip is a
/// failure too), and returns true: the caller returns at once. As any other user it returns false and the
/// test goes on.
inline bool rerunAsNobody()
{
    if (::geteuid() != 0)
        return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QString::fromUtf8(test->test_suite_name()) + u'.' + QString::fromUtf8(test->name());
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(Id), QStringLiteral("--regid=%1").arg(Id),
                 QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=") + filter,
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    const bool finished = child.waitForStarted(10000) && child.waitForFinished(120000);
    const QByteArray output = child.readAll();
    EXPECT_TRUE(finished) << "setpriv could not run the test as uid " << Id;
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test") && !output.contains("SKIPPED")) << output.constData();
    return true;
}

} // namespace Unprivileged
