// Tiny media files made with ffmpeg for tests: clips of each kind, broken files, durations.
#pragma once

#include <QList>
#include <QSize>
#include <QString>

/**
 * Test fixtures. Every function runs ffmpeg or ffprobe from PATH with an
 * argument list (no shell), blocks until it finishes (at most 60 s) and
 * writes only into the folder it is given (use a QTemporaryDir).
 *
 * Clips are small and quick to make: 160x120 pictures, a 440 Hz tone,
 * about 0.1 s of work per second of clip.
 */
namespace TestClips {

enum class ClipKind
{
    RealMedia,      ///< ".rm": RealVideo 2.0 160x120 at 10 fps + AC-3 audio
    RealMediaAudio, ///< ".rm": AC-3 audio only (no picture)
    Mpeg1,          ///< ".mpg": MPEG-1 system stream, mpeg1video 160x120 at 25 fps + MP2 audio
    Asf,            ///< ".asf": WMV2 160x120 at 10 fps + WMA2 audio
};

/// The usual file extension of a kind, with the dot (".rm", ".mpg", ".asf").
QString extensionOf(ClipKind kind);

/**
 * Makes a clip of `seconds` (> 0) in `dir` and returns its full path, or ""
 * if ffmpeg failed (its messages go to qWarning).
 *
 * `name` is the file name; without a suffix the kind's extension is appended.
 * The container is chosen by `kind`, not by the name, so any name works
 * (e.g. "A.RM" or "clip.ram"). A non-empty `title` is stored as the clip's
 * title metadata (the RealMedia content description for RealMedia). `picture` is the
 * picture size in pixels (ignored for RealMediaAudio). A `colour` (an ffmpeg colour name) makes the
 * picture that plain colour instead of the moving test pattern.
 */
QString makeClip(const QString& dir, const QString& name, ClipKind kind, double seconds = 1.0,
                 const QString& title = {}, QSize picture = QSize(160, 120), const QString& colour = {});

/// Writes a file that is plainly not media (a few lines of text) and returns
/// its full path, or "" on failure.
QString makeNonMediaFile(const QString& dir, const QString& name);

/// Writes the first `bytes` bytes of `source` to `dir`/`name` and returns
/// its full path, or "" on failure. A few hundred bytes of a clip leave a
/// file whose headers are cut short, which no player can open.
QString makeTruncatedCopy(const QString& source, const QString& dir, const QString& name, qint64 bytes = 200);

/// Duration in seconds as ffprobe reads it from the container; -1 on failure.
double ffprobeDuration(const QString& path);

struct Colour
{
    int red = 0;
    int green = 0;
    int blue = 0;
};

/// The mean colour of each decoded picture of a clip, in order; empty on failure.
QList<Colour> frameColours(const QString& path);

/// True when ffmpeg and ffprobe can be run.
bool toolsAvailable();

} // namespace TestClips
