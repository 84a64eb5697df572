// Fixture files for the browser tests: byte-built RealMedia headers and clips made with ffmpeg.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <ostream>

namespace vello::test {

/// Big-endian 16-bit length followed by the bytes.
inline QByteArray lengthPrefixed(const QByteArray& text)
{
    QByteArray out;
    out.append(static_cast<char>((text.size() >> 8) & 0xFF));
    out.append(static_cast<char>(text.size() & 0xFF));
    out.append(text);
    return out;
}

/// A content-description chunk with the given fields (no terminators).
inline QByteArray contChunk(const QByteArray& title, const QByteArray& author = "Author",
                            const QByteArray& marker = "CONT")
{
    QByteArray body =
        lengthPrefixed(title) + lengthPrefixed(author) + lengthPrefixed("(c)") + lengthPrefixed("comment");
    QByteArray chunk = marker;
    const int size = 10 + static_cast<int>(body.size());
    chunk.append(static_cast<char>((size >> 24) & 0xFF));
    chunk.append(static_cast<char>((size >> 16) & 0xFF));
    chunk.append(static_cast<char>((size >> 8) & 0xFF));
    chunk.append(static_cast<char>(size & 0xFF));
    chunk.append('\0');
    chunk.append('\0');
    return chunk + body;
}

/// Bytes with the chunk's "C" at file position position (1-based), padded before with 'x' and after with
/// padAfter zero bytes.
inline QByteArray fileWithChunkAt(qsizetype position, const QByteArray& chunk, qsizetype padAfter = 64)
{
    return QByteArray(position - 1, 'x') + chunk + QByteArray(padAfter, '\0');
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

/// Makes a half-second RealMedia clip with the given title; false when ffmpeg is missing or fails.
inline bool makeRealMediaClip(const QString& path, const QString& title)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=d=0.5"),
                  QStringLiteral("-c:a"), QStringLiteral("ac3"), QStringLiteral("-metadata"),
                  QStringLiteral("title=") + title, path});
    return ffmpeg.waitForFinished(30000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0 && QFile::exists(path);
}

} // namespace vello::test

/// Readable QString values in test failure output.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
