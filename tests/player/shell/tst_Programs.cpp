#include "EventLoopWait.h"
#include "editor/StartSwitch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using vello::StartSwitch;

namespace {

/// A copy of a program from the build tree in its own folder, run with its own per-user folders.
class ProgramRun
{
public:
    explicit ProgramRun(const QString& name) : m_name(name)
    {
        QString bin = qEnvironmentVariable("VELLO_BIN_DIR");
        if (bin.isEmpty()) // the test programs live in <build>/tests, the programs in <build>/bin
            bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
        m_source = QDir(bin).filePath(name);
        m_valid = !bin.isEmpty() && m_dir.isValid() && QDir(m_dir.path()).mkpath(QStringLiteral("prog")) &&
                  QDir(m_dir.path()).mkpath(QStringLiteral("home/.config")) &&
                  QFile::copy(QDir(bin).filePath(name), program()) &&
                  // The build tree's mark goes along: the copy keeps its files in its own folder.
                  QFile::copy(QDir(bin).filePath(QStringLiteral("vello-build-tree")),
                              path(QStringLiteral("prog/vello-build-tree")));
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool valid() const { return m_valid; }
    QString source() const { return m_source; }
    QString program() const { return m_dir.filePath(QStringLiteral("prog/") + QFileInfo(m_name).fileName()); }
    QString path(const QString& rel) const { return m_dir.filePath(rel); }

    QProcessEnvironment environment(bool display) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

private:
    QTemporaryDir m_dir;
    QString m_name;
    QString m_source;
    bool m_valid = false;
};

QByteArray contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(StartSwitch, AcceptsTheSwitchInAnyCaseAndNothingElse)
{
    EXPECT_TRUE(StartSwitch::accepts({QStringLiteral("/MERIDANKOS")}));
    EXPECT_TRUE(StartSwitch::accepts({QStringLiteral("/meridankos")}));
    EXPECT_TRUE(StartSwitch::accepts({QStringLiteral("/MeRiDaNkOs")}));
    EXPECT_FALSE(StartSwitch::accepts({}));
    EXPECT_FALSE(StartSwitch::accepts({QStringLiteral("/MERIDANKOS"), QStringLiteral("x")}));
    EXPECT_FALSE(StartSwitch::accepts({QStringLiteral("/MERIDANKOS ")}));
    EXPECT_FALSE(StartSwitch::accepts({QStringLiteral("MERIDANKOS")}));
    EXPECT_FALSE(StartSwitch::accepts({QString()}));
}

TEST(Programs, SecondCopyEndsAtOnceWithoutTouchingAnything)
{
    ProgramRun run(QStringLiteral("velloplayer"));
    ASSERT_TRUE(run.valid()) << "cannot copy " << qPrintable(run.source()) << " to "
                             << qPrintable(run.program());
    QProcess first;
    first.setProcessEnvironment(run.environment(true));
    first.start(run.program(), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString config = run.path(QStringLiteral("prog/Config.ini"));
    // The first start writes Config.ini key by key; "MODE" is the last of its keys.
    ASSERT_TRUE(TestWait::waitFor([&] { return contents(config).contains("MODE="); }));
    const QByteArray configBefore = contents(config);
    const QDateTime modifiedBefore = QFileInfo(config).lastModified();
    const QString settingsFolder = run.path(QStringLiteral("home/.config/Velloplayer"));

    QProcess second;
    second.setProcessEnvironment(run.environment(true));
    second.start(run.program(), {QStringLiteral("/tmp/some.rm")});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(contents(config), configBefore);
    EXPECT_EQ(QFileInfo(config).lastModified(), modifiedBefore);
    EXPECT_FALSE(QFileInfo::exists(settingsFolder)); // the first copy writes only when it closes
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(5000);
}

TEST(Programs, NoDisplayIsReportedBeforeAnythingStarts)
{
    for (const QString& name : {QStringLiteral("velloplayer"), QStringLiteral("vellokit")}) {
        ProgramRun run(name);
        ASSERT_TRUE(run.valid()) << "cannot copy " << qPrintable(run.source()) << " to "
                                 << qPrintable(run.program());
        QProcess p;
        p.setProcessEnvironment(run.environment(false));
        p.start(run.program(), {QStringLiteral("/MERIDANKOS")});
        ASSERT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitCode(), 2) << qPrintable(name);
        EXPECT_TRUE(p.readAllStandardError().contains("no display")) << qPrintable(name);
        EXPECT_FALSE(QFileInfo::exists(run.path(QStringLiteral("prog/Config.ini"))));
    }
}
