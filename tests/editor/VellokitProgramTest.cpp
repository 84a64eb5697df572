// The start switch through the real program, run as a copy in its own folder with its own home.
#include "EditorTestSupport.h"
#include "EventLoopWait.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

class VellokitRun
{
public:
    VellokitRun()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("prog"));
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        const QString bin = qEnvironmentVariable("VELLO_BIN_DIR");
        m_valid = QFile::copy(QDir(bin).filePath(QStringLiteral("vellokit")), program());
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~VellokitRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool valid() const { return m_valid; }
    QString program() const { return m_dir.filePath(QStringLiteral("prog/vellokit")); }

    /// runtime: the runtime folder (a private one of this run's when empty).
    void start(const QStringList& arguments, const QString& runtime = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString home = m_dir.filePath(QStringLiteral("home"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.isEmpty() ? m_runtime.path() : runtime);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vello.*=true"));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(home);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program(), arguments);
        m_process.waitForStarted();
    }
    /// Waits until the program's output holds text, or it has ended.
    bool waitForOutput(const QByteArray& text)
    {
        return TestWait::waitFor([&] {
                   m_output += m_process.readAll();
                   return m_output.contains(text) || m_process.state() == QProcess::NotRunning;
               }) &&
               m_output.contains(text);
    }
    QByteArray output() const { return m_output; }
    QString runtime() const { return m_runtime.path(); }
    bool ended() { return m_process.waitForFinished(10000) && m_process.exitCode() == 0; }
    /// Every file and folder the program may have written: its folder and its home.
    QStringList written() const
    {
        QStringList out;
        for (const char* sub : {"prog", "home"}) {
            QDirIterator it(m_dir.filePath(QString::fromLatin1(sub)),
                            QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                out << it.next();
        }
        out.removeAll(program());
        return out;
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_runtime; // private to the user, as a runtime folder is
    QProcess m_process;
    QByteArray m_output;
    bool m_valid = false;
};

} // namespace

TEST(VellokitProgram, TheSwitchInLowerCaseStartsTheMenu)
{
    VellokitRun run;
    ASSERT_TRUE(run.valid());
    run.start({QStringLiteral("/meridankos")});
    EXPECT_TRUE(run.waitForOutput("start menu shown")) << run.output().constData();
    EXPECT_FALSE(run.output().contains("このプログラムは単体では起動できません。"));
}

TEST(VellokitProgram, AnyOtherCommandLineIsRefusedAndNothingIsWritten)
{
    for (const QStringList& arguments : {QStringList{}, QStringList{"/MERIDANKOS", "x"},
                                         QStringList{"/MERIDANKOS "}, QStringList{"MERIDANKOS"}}) {
        VellokitRun run;
        ASSERT_TRUE(run.valid());
        run.start(arguments);
        EXPECT_TRUE(run.waitForOutput("このプログラムは単体では起動できません。"))
            << qPrintable(arguments.join(u'|')) << run.output().constData();
        EXPECT_FALSE(run.output().contains("start menu shown"));
        EXPECT_EQ(run.written(), QStringList()) << qPrintable(arguments.join(u'|'));
    }
}

TEST(VellokitProgram, ASecondStartBringsTheRunningMenuToTheFront)
{
    VellokitRun first;
    VellokitRun second;
    ASSERT_TRUE(first.valid() && second.valid());
    first.start({QStringLiteral("/MERIDANKOS")});
    ASSERT_TRUE(first.waitForOutput("start menu shown")) << first.output().constData();
    second.start({QStringLiteral("/MERIDANKOS")}, first.runtime());
    EXPECT_TRUE(second.waitForOutput("handed over to the running editor")) << second.output().constData();
    EXPECT_TRUE(second.ended());
    EXPECT_FALSE(second.output().contains("start menu shown"));
    EXPECT_TRUE(first.waitForOutput("the menu comes to the front")) << first.output().constData();
}
