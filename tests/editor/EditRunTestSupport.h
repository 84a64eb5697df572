// Pieces of the run tests: clips copied into a fresh folder per test, the trash, leftovers, decoding.
#pragma once

#include "EditorTestSupport.h"
#include "MessageService.h"
#include "NativePath.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <dirent.h>
#include <unistd.h>

namespace RunTest {

/// Clips made once per test process, each when a test first asks for it, copied per test.
class ClipCache
{
public:
    static QString clip(const QString& name)
    {
        static ClipCache cache;
        return cache.made(name);
    }

private:
    QString made(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        if (QFile::exists(path))
            return path;
        using TestClips::ClipKind;
        struct Recipe
        {
            const char* name;
            ClipKind kind;
            double seconds;
            const char* title;
            const char* colour = nullptr; ///< a plain picture of that colour instead of the test pattern
        };
        static const Recipe recipes[] = {
            {"one.rm", ClipKind::RealMedia, 1.0, "一"},
            {"two.rm", ClipKind::RealMedia, 1.0, "二"},
            {"three.rm", ClipKind::RealMedia, 1.0, "三"},
            {"long.rm", ClipKind::RealMedia, 4.0, "長い"},
            {"audio.rm", ClipKind::RealMediaAudio, 1.0, ""},
            {"a.mpg", ClipKind::Mpeg1, 0.6, ""},
            {"b.mpg", ClipKind::Mpeg1, 0.6, ""},
            {"c.mpg", ClipKind::Mpeg1, 0.6, ""},
            {"red.rm", ClipKind::RealMedia, 1.0, "赤", "red"},
            {"lime.rm", ClipKind::RealMedia, 1.0, "緑", "lime"},
            {"blue.rm", ClipKind::RealMedia, 1.0, "青", "blue"},
        };
        if (name == QStringLiteral("broken.rm"))
            return TestClips::makeTruncatedCopy(made(QStringLiteral("two.rm")), m_dir.path(), name, 300);
        for (const Recipe& r : recipes) {
            if (name == QLatin1String(r.name))
                return TestClips::makeClip(m_dir.path(), name, r.kind, r.seconds, QString::fromUtf8(r.title),
                                           QSize(160, 120), QString::fromLatin1(r.colour));
        }
        return {};
    }
    QTemporaryDir m_dir;
};

/// Copies a cached clip into dir under a name given as bytes; returns the path as the programs keep it.
inline QString copyClip(const QString& dir, const QString& clip, const QByteArray& name)
{
    QFile in(ClipCache::clip(clip));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray target = vello::toNativePath(dir) + '/' + name;
    FILE* out = std::fopen(target.constData(), "wb");
    if (!out)
        return {};
    const QByteArray data = in.readAll();
    std::fwrite(data.constData(), 1, size_t(data.size()), out);
    std::fclose(out);
    return vello::fromNativePath(target);
}

inline QByteArray bytesOf(const QString& path)
{
    QByteArray data;
    FILE* f = std::fopen(vello::toNativePath(path).constData(), "rb");
    if (!f)
        return data;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, qsizetype(n));
    std::fclose(f);
    return data;
}

/// Writes a file with these bytes (replacing one of that name); true when it was written.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

/// The texts of the messages shown so far.
inline QStringList texts(const vello::RecordingMessageService& messages)
{
    QStringList out;
    for (const vello::Message& m : messages.shown())
        out << m.text;
    return out;
}

inline bool exists(const QString& path)
{
    return ::access(vello::toNativePath(path).constData(), F_OK) == 0;
}

/// Names in a folder ending in ".tmp" (leftover temporary files), hidden ones included.
inline QStringList temporaries(const QString& dir)
{
    QStringList out;
    if (DIR* d = ::opendir(vello::toNativePath(dir).constData())) {
        while (const dirent* e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name.endsWith(".tmp") || name.contains(".tmp."))
                out << vello::fromNativePath(name);
        }
        ::closedir(d);
    }
    return out;
}

/// The contents of every file in the private trash.
inline QList<QByteArray> trashContents()
{
    QList<QByteArray> out;
    const QString files = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          QStringLiteral("/Trash/files");
    QDirIterator it(files, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            out << f.readAll();
    }
    return out;
}

/// What ffmpeg complains about when it decodes the whole file; empty for a clean file.
inline QByteArray decodeErrors(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    ffmpeg.waitForFinished(60000);
    return ffmpeg.readAllStandardError() + (ffmpeg.exitCode() == 0 ? QByteArray() : QByteArray("exit code"));
}

/// Child processes of this process running the named program; their command lines go to *arguments.
inline int childrenNamed(const QByteArray& name, QList<QByteArrayList>* arguments = nullptr)
{
    int count = 0;
    const QByteArray me = QByteArray::number(::getpid());
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        QFile stat(it.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qsizetype open = text.indexOf('(');
        const qsizetype close = text.lastIndexOf(')');
        if (open < 0 || close < 0)
            continue;
        const QList<QByteArray> rest = text.mid(close + 2).split(' ');
        if (text.mid(open + 1, close - open - 1) == name && rest.size() > 1 && rest.at(1) == me) {
            ++count;
            QFile cmdline(QFileInfo(stat.fileName()).path() + QStringLiteral("/cmdline"));
            if (arguments && cmdline.open(QIODevice::ReadOnly))
                *arguments << cmdline.readAll().split('\0');
        }
    }
    return count;
}

} // namespace RunTest
