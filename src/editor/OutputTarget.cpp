#include "OutputTarget.h"

#include "Logging.h"
#include "M_MAIN.h"
#include "NativePath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vello::editor {

namespace {

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    if (slash == 0)
        return "/";
    return path.left(slash);
}

QString quoted(const QByteArray& nativePath)
{
    return QStringLiteral("「") + displayPath(fromNativePath(nativePath)) + QStringLiteral("」");
}

} // namespace

OutputTarget::OutputTarget(OutputTarget&& other) noexcept
    : m_target(std::move(other.m_target)), m_temporary(std::move(other.m_temporary)), m_fd(other.m_fd)
{
    other.m_temporary.clear();
    other.m_fd = -1;
}

OutputTarget& OutputTarget::operator=(OutputTarget&& other) noexcept
{
    if (this != &other) {
        discard();
        m_target = std::move(other.m_target);
        m_temporary = std::move(other.m_temporary);
        m_fd = other.m_fd;
        other.m_temporary.clear();
        other.m_fd = -1;
    }
    return *this;
}

QString OutputTarget::systemErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクに十分な空き領域がありません。");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎるため書き込めません。");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case EROFS:
        return QStringLiteral("読み取り専用のドライブには書き込めません。");
    case ENOENT:
        return QStringLiteral("指定されたファイルが見つかりません。");
    case ENOTDIR:
        return QStringLiteral("指定されたフォルダーが見つかりません。");
    case EISDIR:
        return QStringLiteral("フォルダーが指定されています。");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます。");
    case ELOOP:
        return QStringLiteral("シンボリックリンクをたどれません。");
    case EIO:
        return QStringLiteral("ディスクの読み書きでエラーが発生しました。");
    case EEXIST:
        return QStringLiteral("同じ名前のファイルが既に存在します。");
    default:
        return QStringLiteral("ファイルの操作に失敗しました。(%1)").arg(errorNumber);
    }
}

std::optional<OutputTarget> OutputTarget::prepare(const QString& output, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (output.trimmed().isEmpty())
        return fail(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙを指定してください。"));
    QByteArray path = toNativePath(output);
    // Never against the folder the editor happened to be started in.
    if (!path.startsWith('/'))
        return fail(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙはフルパス（/ から始まるパス）で指定してください。"));
    if (path.endsWith('/'))
        return fail(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙにはファイル名を指定してください。"));

    // Follow a symbolic link (and a chain of them) to the file it names; that file is written.
    struct stat st
    {
    };
    bool exists = false;
    for (int hops = 0;; ++hops) {
        if (::lstat(path.constData(), &st) != 0) {
            if (errno != ENOENT)
                return fail(quoted(path) + QStringLiteral("を確認できません。") + systemErrorText(errno));
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            break;
        }
        if (hops >= 40)
            return fail(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙのシンボリックリンクをたどれません。"));
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), link.data(), size_t(link.size()));
        if (n <= 0 || n >= link.size())
            return fail(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙのシンボリックリンクをたどれません。"));
        link.truncate(n);
        path = link.startsWith('/') ? link : parentOf(path) + '/' + link;
    }

    if (exists) {
        if (S_ISDIR(st.st_mode))
            return fail(quoted(path) +
                        QStringLiteral("はフォルダーです。ｱｳﾄﾌﾟｯﾄﾌｧｲﾙにはファイル名を指定してください。"));
        if (!S_ISREG(st.st_mode))
            return fail(quoted(path) + QStringLiteral("は通常のファイルではないため、出力先にできません。"));
        if (::access(path.constData(), W_OK) != 0)
            return fail(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙ") + quoted(path) +
                        QStringLiteral("に書き込む権限がありません。別のファイル名を指定してください。"));
    }
    const QByteArray folder = parentOf(path);
    struct stat fs
    {
    };
    if (::stat(folder.constData(), &fs) != 0 || !S_ISDIR(fs.st_mode))
        return fail(QStringLiteral("出力先のフォルダー") + quoted(folder) +
                    QStringLiteral("が見つかりません。"));
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return fail(QStringLiteral("出力先のフォルダー") + quoted(folder) +
                    QStringLiteral("に書き込む権限がありません。"));

    OutputTarget target;
    target.m_target = fromNativePath(path);
    return target;
}

bool OutputTarget::reserveTemporary(QString* error)
{
    const QByteArray base = toNativePath(m_target);
    for (int n = 0; n < 1000; ++n) {
        const QByteArray name = n == 0 ? base + ".tmp" : base + '.' + QByteArray::number(n) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = fromNativePath(name);
            return true;
        }
        if (errno != EEXIST) {
            if (error)
                *error = QStringLiteral("一時ファイル") + quoted(name) +
                         QStringLiteral("を作成できません。") + systemErrorText(errno);
            return false;
        }
    }
    if (error)
        *error = QStringLiteral("一時ファイルを作成できません。") + systemErrorText(EEXIST);
    return false;
}

bool OutputTarget::closeDescriptor(QString* error)
{
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        if (error)
            *error = systemErrorText(errno);
        return false;
    }
    return true;
}

bool OutputTarget::commit(QString* error)
{
    if (!closeDescriptor(error)) {
        discard();
        return false;
    }
    // From here the new result is complete: whatever fails, it stays under its temporary name and the
    // message says where, so the user never loses both the old output and the new one.
    const QByteArray temporary = toNativePath(m_temporary);
    const QByteArray target = toNativePath(m_target);
    const auto keep = [&](const QString& reason) {
        if (error)
            *error = reason + QStringLiteral("\n新しいファイルは") + quoted(temporary) +
                     QStringLiteral("に保存してあります。");
        qCInfo(lcError) << "result kept under its temporary name:" << displayPath(m_temporary);
        m_temporary.clear();
        return false;
    };
    struct stat st
    {
    };
    const bool oldOutput = ::lstat(target.constData(), &st) == 0;
    if (oldOutput && !S_ISREG(st.st_mode))
        return keep(quoted(target) + QStringLiteral("がファイルではなくなったため、置き換えられません。"));
    QString reason;
    if (oldOutput && !M_MAIN::RecycleFile(m_target, &reason))
        return keep(QStringLiteral("元のｱｳﾄﾌﾟｯﾄﾌｧｲﾙ") + quoted(target) +
                    QStringLiteral("をごみ箱に移せませんでした。") + reason);
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int e = errno;
        return keep(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙ") + quoted(target) +
                    QStringLiteral("の名前を変更できません。") + systemErrorText(e) +
                    (oldOutput ? QStringLiteral("\n元のｱｳﾄﾌﾟｯﾄﾌｧｲﾙはごみ箱にあります。") : QString()));
    }
    m_temporary.clear();
    return true;
}

void OutputTarget::discard()
{
    QString ignored;
    closeDescriptor(&ignored);
    if (m_temporary.isEmpty())
        return;
    if (::unlink(toNativePath(m_temporary).constData()) != 0 && errno != ENOENT)
        qCInfo(lcError) << "temporary file could not be removed:" << displayPath(m_temporary) << errno;
    m_temporary.clear();
}

std::optional<FileIdentity> FileIdentity::of(const QString& path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(toNativePath(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

} // namespace vello::editor
