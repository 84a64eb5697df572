// File names as archives from Japanese Windows systems leave them: Shift-JIS (CP932) bytes, not UTF-8.
// The tests make such files with POSIX calls, since Qt's own file classes cannot reach them.
#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LegacyNames {

/// One name in its bytes on disk and the text the program shows for it.
struct Name
{
    const char* label; ///< test parameter name
    QByteArray bytes;
    QString shown;
};

/// "ライブ映像.rm" in CP932.
inline Name japaneseWords()
{
    return {"JapaneseWords", QByteArray("\x83\x89\x83\x43\x83\x75\x89\x66\x91\x9c.rm"),
            QStringLiteral("ライブ映像.rm")};
}

/// "ﾗｲﾌﾞ.mpg" in CP932: half-width kana, one byte each; the first two happen to form valid UTF-8.
inline Name halfWidthKana()
{
    return {"HalfWidthKana", QByteArray("\xd7\xb2\xcc\xde.mpg"), QStringLiteral("ﾗｲﾌﾞ.mpg")};
}

/// "ソ表.asf" in CP932: both trail bytes are "\" (0x5C).
inline Name backslashTrail()
{
    return {"BackslashTrail", QByteArray("\x83\x5c\x95\x5c.asf"), QStringLiteral("ソ表.asf")};
}

/// "東京" followed by bytes that CP932 does not define: neither UTF-8 nor CP932.
inline Name undecodable()
{
    return {"Undecodable", QByteArray("\x93\x8c\x8b\x9e\xfd\xfe.rm"), QStringLiteral("東京\uFFFD\uFFFD.rm")};
}

/// "映像フォルダ" in CP932, used as a folder name.
inline QByteArray folderBytes()
{
    return QByteArray("\x89\x66\x91\x9c\x83\x74\x83\x48\x83\x8b\x83\x5f");
}
inline QString folderShown()
{
    return QStringLiteral("映像フォルダ");
}

/// Creates (or replaces) a file at the byte path with the given content. False on failure.
inline bool writeBytes(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    return ::close(fd) == 0 && done == content.size();
}

/// The whole content of a file at a byte path; empty when it cannot be read.
inline QByteArray readBytes(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    ::close(fd);
    return out;
}

/// Copies the file at from (bytes) to to (bytes). False on failure.
inline bool copyBytes(const QByteArray& from, const QByteArray& to)
{
    const QByteArray content = readBytes(from);
    return !content.isEmpty() && writeBytes(to, content);
}

inline bool existsBytes(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

inline bool makeFolderBytes(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0755) == 0;
}

} // namespace LegacyNames
