// Shared parts of the install tests: the installed prefix, running programs, a private home.
#pragma once

#include "EventLoopWait.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

namespace InstallTest {

/// The prefix the test fixture installed the build into.
inline QString prefix()
{
    return QStringLiteral(VELLO_TEST_PREFIX);
}

/// The library folder of the install rules (relative to the prefix), e.g. "lib".
inline QString libDir()
{
    return QStringLiteral(VELLO_LIBDIR);
}

/// The files the install rules must install, relative to the prefix.
inline QStringList expectedFiles()
{
    return QStringLiteral(VELLO_EXPECTED_FILES).split(u'|', Qt::SkipEmptyParts);
}

/// Every file below a folder, relative to it.
inline QSet<QString> filesUnder(const QString& folder)
{
    QSet<QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QDir(folder).relativeFilePath(it.next()));
    return files;
}

inline QByteArray readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Waits until the file holds the text, at most ms milliseconds.
inline bool waitForText(const QString& file, const QByteArray& text, int ms)
{
    return TestWait::waitFor([&] { return readAll(file).contains(text); }, ms);
}

/// A finished program: exit code (-1 when it could not be started or did not finish), its output.
struct Finished
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

/// Runs a program with arguments as separate words and waits for it.
inline Finished run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
                    int timeoutMs = 30000)
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, arguments);
    Finished result;
    if (!p.waitForStarted(10000))
        return result;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return result;
    }
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = p.readAllStandardOutput();
    result.err = p.readAllStandardError();
    return result;
}

/// A home folder of one's own for a program run: HOME, XDG folders and the runtime folder, no display.
class PrivateHome
{
public:
    QString path() const { return m_dir.path(); }
    QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        return env;
    }

    /// True when nothing has been written into the home folder.
    bool isEmpty() const
    {
        return QDir(m_dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace InstallTest
