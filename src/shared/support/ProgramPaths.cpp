#include "ProgramPaths.h"

#include "NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <unistd.h>

#ifndef VELLO_BIN_TO_PKGLIBDIR
#define VELLO_BIN_TO_PKGLIBDIR "../lib/velloplayer"
#endif
#ifndef VELLO_BIN_TO_DOCDIR
#define VELLO_BIN_TO_DOCDIR "../share/doc/velloplayer"
#endif
#ifndef VELLO_BUILD_TREE_MARKER
#define VELLO_BUILD_TREE_MARKER "vello-build-tree"
#endif

namespace vello {

namespace {
QString g_override;

bool isWritableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}
} // namespace

QString ProgramPaths::withSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString ProgramPaths::programFolder()
{
    if (!g_override.isEmpty())
        return withSlash(g_override);
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (dir.isEmpty())
        dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return withSlash(dir);
}

QString ProgramPaths::buildTreeMarker()
{
    return QStringLiteral(VELLO_BUILD_TREE_MARKER);
}

bool ProgramPaths::runsFromBuildTree()
{
    return QFileInfo(programFolder() + buildTreeMarker()).isFile();
}

QString ProgramPaths::userDataFolder()
{
    // $XDG_DATA_HOME when it is an absolute path, else ~/.local/share (as QStandardPaths has it, without
    // the folder checks and messages it makes).
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return withSlash(base) + QStringLiteral("Velloplayer/");
}

QString ProgramPaths::dataFolder(bool create)
{
    const QString program = programFolder();
    if ((!g_override.isEmpty() || runsFromBuildTree()) && isWritableFolder(program))
        return program;
    const QString user = userDataFolder();
    if (create)
        QDir().mkpath(user);
    return user;
}

QString ProgramPaths::dataFile(const QString& name)
{
    return dataFolder() + name;
}

QString ProgramPaths::firstExisting(const QString& name, const QString& installedRelative)
{
    const QString beside = programFolder() + name;
    if (QFileInfo::exists(beside))
        return beside;
    // The installed folder is compiled in relative to bin/ (or absolute when the build was told so).
    const QString folder =
        QDir::isAbsolutePath(installedRelative) ? installedRelative : programFolder() + installedRelative;
    const QString installed = QDir::cleanPath(folder + u'/' + name);
    if (QFileInfo::exists(installed))
        return installed;
    return beside;
}

QString ProgramPaths::companionProgram(const QString& name)
{
    return firstExisting(name, QStringLiteral(VELLO_BIN_TO_PKGLIBDIR));
}

QString ProgramPaths::documentFile(const QString& name)
{
    return firstExisting(name, QStringLiteral(VELLO_BIN_TO_DOCDIR));
}

QString ProgramPaths::systemDriveRoot()
{
    return QStringLiteral("/");
}

QString ProgramPaths::startFolder()
{
    const QByteArray home = qgetenv("HOME");
    if (home.isEmpty())
        return systemDriveRoot();
    char* real = ::realpath(home.constData(), nullptr);
    if (!real)
        return systemDriveRoot();
    const QByteArray resolved(real);
    std::free(real);
    const QString folder = fromNativePath(resolved);
    if (!isDirectory(folder))
        return systemDriveRoot();
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

void ProgramPaths::overrideProgramFolder(const QString& folder)
{
    g_override = folder;
}

} // namespace vello
