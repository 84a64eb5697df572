#include "Trash.h"

#include "Logging.h"
#include "NativePath.h"

#include <QByteArray>
#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vello {

namespace {

// Longest name we give an entry, in bytes, leaving room for a counter and ".trashinfo" within NAME_MAX.
constexpr qsizetype MaxEntryName = 200;

QString systemErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case ENOENT:
        return QStringLiteral("ファイルが見つかりません。");
    case EROFS:
        return QStringLiteral("読み取り専用のボリュームです。");
    case ENOSPC:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EBUSY:
        return QStringLiteral("ファイルは使用中です。");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

void setError(QString* errorText, const QString& text)
{
    qCInfo(lcSupport).noquote() << "trash:" << text;
    if (errorText)
        *errorText = text;
}

QByteArray homeFolderBytes()
{
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty())
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return QByteArray(pw->pw_dir);
    return {};
}

QByteArray dataHomeBytes()
{
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (xdg.startsWith('/'))
        return xdg;
    const QByteArray home = homeFolderBytes();
    if (home.isEmpty())
        return {};
    return home + "/.local/share";
}

// mkdir -p; the folders made get mode `mode`. True when path is a folder afterwards.
bool makeFolders(const QByteArray& path, mode_t mode)
{
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makeFolders(path.left(slash), mode))
        return false;
    if (::mkdir(path.constData(), mode) == 0)
        return true;
    return errno == EEXIST && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash folder that we own, is no link and holds files/ and info/ (made when missing).
bool prepareTrash(const QByteArray& trash, bool createTrash)
{
    if (createTrash && !makeFolders(trash, 0700))
        return false;
    struct stat st
    {
    };
    if (::lstat(trash.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return makeFolders(trash + "/files", 0700) && makeFolders(trash + "/info", 0700);
}

dev_t deviceOf(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0 ? st.st_dev : dev_t(-1);
}

// path itself or its nearest ancestor that exists.
QByteArray nearestExisting(QByteArray path)
{
    struct stat st
    {
    };
    while (::lstat(path.constData(), &st) != 0) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return QByteArray("/");
        path.truncate(slash);
    }
    return path;
}

// The top folder of the mount that holds path: the last ancestor on the same device.
QByteArray topFolderOf(const QByteArray& path, dev_t device)
{
    QByteArray top = path;
    for (;;) {
        const qsizetype slash = top.lastIndexOf('/');
        const QByteArray parent = slash <= 0 ? QByteArray("/") : top.left(slash);
        if (parent == top || deviceOf(parent) != device)
            return top;
        top = parent;
    }
}

// The trash folder for a file on another volume than the home trash, or empty.
QByteArray volumeTrash(const QByteArray& absolute, dev_t device)
{
    const QByteArray top = topFolderOf(absolute, device);
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));

    struct stat st
    {
    };
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray mine = shared + '/' + uid;
        if (prepareTrash(mine, true) && deviceOf(mine) == device)
            return mine;
    }
    const QByteArray own = base + "/.Trash-" + uid;
    if (prepareTrash(own, true) && deviceOf(own) == device)
        return own;
    return {};
}

QByteArray deletionDate()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString homeTrashFolder()
{
    const QByteArray dataHome = dataHomeBytes();
    return dataHome.isEmpty() ? QString() : fromNativePath(dataHome + "/Trash");
}

bool moveToTrash(const QString& path, QString* errorText)
{
    QByteArray absolute = toNativePath(path);
    while (absolute.size() > 1 && absolute.endsWith('/'))
        absolute.chop(1);
    if (absolute.isEmpty() || absolute == "/") {
        setError(errorText, QStringLiteral("このファイルはごみ箱に移動できません。"));
        return false;
    }
    if (!absolute.startsWith('/')) {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd)) {
            setError(errorText, systemErrorText(errno));
            return false;
        }
        absolute = QByteArray(cwd) + '/' + absolute;
    }

    struct stat st
    {
    };
    if (::lstat(absolute.constData(), &st) != 0) {
        setError(errorText, systemErrorText(errno));
        return false;
    }
    const dev_t device = st.st_dev;

    // Files on the volume of the user's data folder go to the home trash, and only there; files on other
    // volumes go to that volume's trash.
    QByteArray trash;
    const QByteArray dataHome = dataHomeBytes();
    const QByteArray home = dataHome.isEmpty() ? QByteArray() : dataHome + "/Trash";
    if (!home.isEmpty() && deviceOf(nearestExisting(home)) == device) {
        if (prepareTrash(home, true) && deviceOf(home) == device)
            trash = home;
    } else {
        trash = volumeTrash(absolute, device);
    }
    if (trash.isEmpty()) {
        setError(errorText, QStringLiteral("ごみ箱を使用できないため、ファイルを削除しませんでした。"));
        return false;
    }
    if (absolute.startsWith(trash + '/')) {
        setError(errorText, QStringLiteral("ごみ箱の中のファイルはごみ箱に移動できません。"));
        return false;
    }

    QByteArray base = absolute.mid(absolute.lastIndexOf('/') + 1);
    if (base.size() > MaxEntryName)
        base.truncate(MaxEntryName);
    const QByteArray info =
        "[Trash Info]\nPath=" + absolute.toPercentEncoding("/") + "\nDeletionDate=" + deletionDate() + '\n';

    for (int n = 1; n < 10000; ++n) {
        const QByteArray name = n == 1 ? base : base + '.' + QByteArray::number(n);
        const QByteArray infoPath = trash + "/info/" + name + ".trashinfo";
        const QByteArray target = trash + "/files/" + name;
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            setError(errorText, systemErrorText(errno));
            return false;
        }
        const bool written = writeAll(fd, info);
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            const int error = errno;
            ::unlink(infoPath.constData());
            setError(errorText, systemErrorText(error));
            return false;
        }
        if (::lstat(target.constData(), &st) == 0) {
            // An entry without its info file: keep it, take the next name.
            ::unlink(infoPath.constData());
            continue;
        }
        int moved =
            ::renameat2(AT_FDCWD, absolute.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
        if (moved != 0 && errno == EEXIST) {
            ::unlink(infoPath.constData());
            continue;
        }
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) // no RENAME_NOREPLACE on this file system
            moved = ::rename(absolute.constData(), target.constData());
        if (moved != 0) {
            const int error = errno;
            ::unlink(infoPath.constData());
            setError(errorText,
                     QStringLiteral("ファイルをごみ箱に移動できませんでした。") + systemErrorText(error));
            return false;
        }
        return true;
    }
    setError(errorText, QStringLiteral("ごみ箱に同じ名前のファイルが多すぎます。"));
    return false;
}

} // namespace vello
