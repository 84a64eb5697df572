#include "FolderTreeLogic.h"

#include "NativePath.h"

#include <QSet>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vello {

namespace {

bool isFolderBytes(const QByteArray& nativePath)
{
    struct stat st
    {
    };
    return ::stat(nativePath.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString withSlash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

/// Calls take(name, isDir) for every entry but "." and ".." until it returns false. False when the folder
/// cannot be read.
template <typename Take> bool forEachEntry(const QString& folder, Take take)
{
    const QByteArray base = toNativePath(withSlash(folder));
    DIR* dir = ::opendir(base.constData());
    if (!dir)
        return false;
    while (const dirent* de = ::readdir(dir)) {
        const char* n = de->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        bool dirEntry = false;
        if (de->d_type == DT_DIR)
            dirEntry = true;
        else if (de->d_type == DT_LNK || de->d_type == DT_UNKNOWN)
            dirEntry = isFolderBytes(base + QByteArray(n));
        if (!take(fromNativePath(QByteArray(n)), dirEntry))
            break;
    }
    ::closedir(dir);
    return true;
}

} // namespace

QString FolderError::messageText() const
{
    return description + QStringLiteral(": &H") + QString::number(number, 16).toUpper();
}

QString FolderTreeLogic::placeholderText()
{
    return QStringLiteral("\\\\DUMMY\\\\");
}

QString FolderTreeLogic::placeholderKey(const QString& parentKey)
{
    return parentKey + placeholderText() + u'\\';
}

QString FolderTreeLogic::GetTruePath(const QString& p)
{
    QString text = p.trimmed();
    if (text.isEmpty())
        return QStringLiteral("/");
    if (!text.startsWith(u'/'))
        text = withSlash(currentFolder()) + text;

    QStringList components;
    for (const QString& part : text.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!components.isEmpty())
                components.removeLast();
            continue;
        }
        components.append(part);
    }

    QString result = QStringLiteral("/");
    for (const QString& part : components) {
        if (isFolderBytes(toNativePath(result + part))) {
            result += part + u'/';
            continue;
        }
        // Not stored under this spelling: look for a folder whose name differs only in letter case.
        QString match;
        forEachEntry(result, [&](const QString& name, bool dir) {
            if (dir && name.compare(part, Qt::CaseInsensitive) == 0 && (match.isNull() || name < match))
                match = name;
            return true;
        });
        if (match.isNull())
            break;
        result += match + u'/';
    }
    return result;
}

QStringList FolderTreeLogic::listSubfolders(const QString& path)
{
    QStringList names;
    forEachEntry(path, [&](const QString& name, bool dir) {
        if (dir)
            names.append(name);
        return true;
    });
    return names;
}

bool FolderTreeLogic::hasSubfolder(const QString& path)
{
    bool found = false;
    forEachEntry(path, [&](const QString&, bool dir) {
        found = dir;
        return !found;
    });
    return found;
}

std::optional<FolderError> FolderTreeLogic::probe(const QString& path)
{
    const QByteArray native = toNativePath(withSlash(path));
    DIR* dir = ::opendir(native.constData());
    if (dir) {
        ::closedir(dir);
        return std::nullopt;
    }
    switch (errno) {
    case EACCES:
    case EPERM:
        return FolderError{QStringLiteral("アクセスが拒否されました。"), 70};
    case ENOENT:
    case ENOTDIR:
        return FolderError{QStringLiteral("パスが見つかりません。"), 76};
    case ENOMEDIUM:
        return FolderError{QStringLiteral("ディスクの準備ができていません。"), 71};
    case ELOOP:
    case ENAMETOOLONG:
        return FolderError{QStringLiteral("パス名が正しくありません。"), 52};
    default:
        return FolderError{QStringLiteral("デバイス I/O エラーです。"), 57};
    }
}

bool FolderTreeLogic::folderNameLess(const QString& a, const QString& b)
{
    const QString shownA = displayName(a);
    const QString shownB = displayName(b);
    int c = shownA.compare(shownB, Qt::CaseInsensitive);
    if (c == 0)
        c = shownA.compare(shownB, Qt::CaseSensitive);
    return c != 0 ? c < 0 : a < b;
}

QString FolderTreeLogic::currentFolder()
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return QStringLiteral("/");
    return fromNativePath(QByteArray(buffer));
}

QList<DriveEntry> FolderTreeLogic::mountedDrives()
{
    QList<DriveEntry> drives{DriveEntry{QStringLiteral("/"), QStringLiteral("/")}};
    QList<DriveEntry> others;
    QSet<QString> seen{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid())
            continue;
        const QString root = withSlash(volume.rootPath());
        const QString name = volume.name().isEmpty() ? root : volume.name();
        if (root == QLatin1String("/")) {
            drives.first().displayName = name;
            continue;
        }
        if (seen.contains(root) || !volume.isReady())
            continue;
        seen.insert(root);
        others.append(DriveEntry{root, name});
    }
    std::sort(others.begin(), others.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.root < b.root; });
    drives.append(others);
    return drives;
}

QString FolderTreeLogic::TrimPathForDisplay(const QString& path)
{
    QString text = displayPath(path).trimmed();
    if (text.size() > 1 && text.endsWith(u'/'))
        text.chop(1);
    return text;
}

} // namespace vello
