// Permission cases run as an unprivileged user: as root, the test re-runs itself under setpriv.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <unistd.h>

namespace TestUnprivileged {

/// As root: runs the current test again in a child as user and group 65534 and returns true (the caller
/// then returns; the child's result decides). Otherwise returns false and the caller runs the case.
inline bool rerunAsNobody()
{
    if (::geteuid() != 0)
        return false;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromUtf8(info->test_suite_name()) + u'.' + QString::fromUtf8(info->name());
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=") + name});
    const bool finished = child.waitForFinished(120000);
    const QByteArray output = child.readAll();
    EXPECT_TRUE(finished);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
    return true;
}

} // namespace TestUnprivileged
