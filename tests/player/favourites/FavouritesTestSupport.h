// Fixtures for the favourites tests: files with names given as bytes, Fa.dat written and read as bytes.
#pragma once

#include "ByteTempDir.h"
#include "MessageService.h"
#include "NativePath.h"

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace vello::test {

/// Writes bytes to the file named by the native path bytes; true on success.
inline bool writeNative(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

/// The whole file named by the native path bytes; empty when it cannot be read.
inline QByteArray readNative(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return out;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    ::close(fd);
    return out;
}

/// A temporary folder with helpers for files named by bytes (removed by their bytes).
class ByteFolder
{
public:
    ByteFolder() = default;
    ByteFolder(const ByteFolder&) = delete;
    ByteFolder& operator=(const ByteFolder&) = delete;
    bool isValid() const { return m_dir.isValid(); }
    /// The folder as native bytes, with a trailing "/".
    QByteArray native() const { return toNativePath(m_dir.path()) + '/'; }
    QString path() const { return m_dir.path() + u'/'; }
    /// Makes a small file named nameBytes in the folder; returns its full path in NativePath form.
    QString makeFile(const QByteArray& nameBytes, const QByteArray& content = "data") const
    {
        const QByteArray full = native() + nameBytes;
        return writeNative(full, content) ? fromNativePath(full) : QString();
    }

private:
    ByteTempDir m_dir;
};

/// "ポップス" and "ライブ" in CP932: the first holds a 0x7C ("|") as the second byte of "ポ".
inline QByteArray cp932Pops()
{
    return QByteArray("\x83\x7C\x83\x62\x83\x76\x83\x58");
}
inline QByteArray cp932Live()
{
    return QByteArray("\x83\x89\x83\x43\x83\x75");
}

/// Answers questions from a queue and records every message for the life of the object.
class RecordedMessages
{
public:
    RecordedMessages() : m_scope(&m_service) {}
    RecordingMessageService& operator*() { return m_service; }
    RecordingMessageService* operator->() { return &m_service; }

private:
    RecordingMessageService m_service;
    ScopedMessageService m_scope;
};

} // namespace vello::test
