#include "ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace vello {

namespace {
QString g_override;
}

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

QString ProgramPaths::dataFolder()
{
    const QString program = programFolder();
    if (::access(QFile::encodeName(program).constData(), W_OK) == 0)
        return program;
    QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (user.isEmpty())
        user = QDir::homePath() + QStringLiteral("/.local/share");
    user = withSlash(user) + QStringLiteral("Velloplayer");
    QDir().mkpath(user);
    return withSlash(user);
}

QString ProgramPaths::dataFile(const QString& name)
{
    return dataFolder() + name;
}

QString ProgramPaths::systemDriveRoot()
{
    return QStringLiteral("/");
}

void ProgramPaths::overrideProgramFolder(const QString& folder)
{
    g_override = folder;
}

} // namespace vello
