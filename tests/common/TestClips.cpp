#include "TestClips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace TestClips {

namespace {

constexpr int kToolTimeoutMs = 60000;

struct ToolResult
{
    bool ok = false;
    QByteArray out;
    QByteArray err;
};

ToolResult runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(kToolTimeoutMs))
        return {};
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    ToolResult result;
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString pathFor(const QString& dir, const QString& name, const QString& extension)
{
    QString file = name;
    if (QFileInfo(name).suffix().isEmpty())
        file += extension;
    return QDir(dir).absoluteFilePath(file);
}

QStringList sourceArguments(ClipKind kind, double seconds, int frameRate, QSize picture,
                            const QString& colour)
{
    const QString length = QString::number(seconds, 'f', 3);
    QStringList args{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    const QString geometry =
        QStringLiteral("size=%1x%2:rate=%3").arg(picture.width()).arg(picture.height()).arg(frameRate);
    if (kind != ClipKind::RealMediaAudio)
        args << "-f"
             << "lavfi"
             << "-i"
             << (colour.isEmpty() ? QStringLiteral("testsrc=") + geometry
                                  : QStringLiteral("color=c=") + colour + u':' + geometry);
    args << "-f"
         << "lavfi"
         << "-i"
         << "sine=frequency=440:sample_rate=44100";
    args << "-t" << length;
    return args;
}

} // namespace

QString extensionOf(ClipKind kind)
{
    switch (kind) {
    case ClipKind::RealMedia:
    case ClipKind::RealMediaAudio:
        return QStringLiteral(".rm");
    case ClipKind::Mpeg1:
        return QStringLiteral(".mpg");
    case ClipKind::Asf:
        return QStringLiteral(".asf");
    }
    return {};
}

QString makeClip(const QString& dir, const QString& name, ClipKind kind, double seconds, const QString& title,
                 QSize picture, const QString& colour)
{
    if (!(seconds > 0) || picture.isEmpty())
        return {};
    const QString path = pathFor(dir, name, extensionOf(kind));
    QStringList args;
    switch (kind) {
    case ClipKind::RealMedia:
        args = sourceArguments(kind, seconds, 10, picture, colour);
        args << "-c:v"
             << "rv20"
             << "-b:v"
             << "100k"
             << "-c:a"
             << "ac3"
             << "-b:a"
             << "64k"
             << "-ac"
             << "1";
        args << "-f"
             << "rm";
        break;
    case ClipKind::RealMediaAudio:
        args = sourceArguments(kind, seconds, 10, picture, colour);
        args << "-c:a"
             << "ac3"
             << "-b:a"
             << "64k"
             << "-ac"
             << "1"
             << "-f"
             << "rm";
        break;
    case ClipKind::Mpeg1:
        // MPEG-1 video knows only the standard frame rates.
        args = sourceArguments(kind, seconds, 25, picture, colour);
        args << "-c:v"
             << "mpeg1video"
             << "-b:v"
             << "200k"
             << "-c:a"
             << "mp2"
             << "-b:a"
             << "64k"
             << "-ac"
             << "1";
        args << "-f"
             << "mpeg";
        break;
    case ClipKind::Asf:
        args = sourceArguments(kind, seconds, 10, picture, colour);
        args << "-c:v"
             << "wmv2"
             << "-b:v"
             << "100k"
             << "-c:a"
             << "wmav2"
             << "-b:a"
             << "32k"
             << "-ac"
             << "1";
        args << "-f"
             << "asf";
        break;
    }
    if (!title.isEmpty())
        args << "-metadata" << QStringLiteral("title=%1").arg(title);
    args << path;
    const ToolResult result = runTool(QStringLiteral("ffmpeg"), args);
    if (!result.ok || !QFileInfo::exists(path)) {
        qWarning("makeClip: ffmpeg failed for %s: %s", qPrintable(path), result.err.constData());
        return {};
    }
    return path;
}

QString makeNonMediaFile(const QString& dir, const QString& name)
{
    const QString path = QDir(dir).absoluteFilePath(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("This is a plain text file.\nIt only looks like a clip by its name.\n");
    return file.commit() ? path : QString();
}

QString makeTruncatedCopy(const QString& source, const QString& dir, const QString& name, qint64 bytes)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QString path = QDir(dir).absoluteFilePath(name);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(in.read(qMax<qint64>(0, bytes)));
    return out.commit() ? path : QString();
}

double ffprobeDuration(const QString& path)
{
    const ToolResult result =
        runTool(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration", "-of",
                                            "default=noprint_wrappers=1:nokey=1", path});
    if (!result.ok)
        return -1;
    bool ok = false;
    const double seconds = QString::fromUtf8(result.out).trimmed().toDouble(&ok);
    return ok ? seconds : -1;
}

QList<Colour> frameColours(const QString& path)
{
    // Every frame shrunk to one pixel: its mean colour.
    const ToolResult result =
        runTool(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", path, "-an", "-vf", "scale=1:1",
                                           "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    QList<Colour> colours;
    if (!result.ok)
        return colours;
    for (qsizetype i = 0; i + 2 < result.out.size(); i += 3)
        colours << Colour{quint8(result.out[i]), quint8(result.out[i + 1]), quint8(result.out[i + 2])};
    return colours;
}

bool toolsAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty();
}

} // namespace TestClips
