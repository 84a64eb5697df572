// The preview player of a tool window: the RA or the WP adapter behind one small interface.
#pragma once

#include "MpvSession.h"
#include "ToolKind.h"

#include <QObject>
#include <QString>

#include <memory>

namespace vello::media {
class RA;
class WP;
} // namespace vello::media

namespace vello::editor {

using media::EndReport;
using media::MpvSession;
using media::RA;
using media::WP;

/// Plays the file the user double-clicks in a tool window. RealMedia windows use the RA adapter (times
/// in milliseconds, volume 0-100), the MPEG window the WP adapter; this class speaks milliseconds and
/// 0-100 for both. Window thread only; nothing blocks on the engine (values are cached by the adapters).
class PreviewControl final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewControl)

public:
    enum class State
    {
        Empty,   ///< nothing loaded
        Opening, ///< a file was given and has not opened yet
        Playing,
        Paused,
        Stopped, ///< the clip ended, was stopped or could not be opened; the source is kept
    };

    PreviewControl(PreviewKind kind, const MpvSession::Options& options, QObject* parent = nullptr);
    ~PreviewControl() override;

    PreviewKind kind() const { return m_kind; }

    /// Native window for the picture; call before the first file.
    void setVideoWindow(quint64 windowId);

    /// Opens and starts a file (the RA source / the WP file name).
    void open(const QString& path);
    /// Stops the player, empties its source and stops it again, so that it holds no file open.
    void empty();
    /// The source as set (RA's source text); empty when none.
    QString source() const;
    /// The shown name of the source's file (its last path component); empty when none.
    QString sourceName() const;

    /// Play when paused or stopped (from the start after an end), pause when playing.
    void togglePlay();
    void stop();

    State state() const;
    /// Whether the last opened file failed to open.
    bool failed() const { return m_failed; }

    /// Position and length of the open clip in milliseconds; 0 when none is open.
    qint32 positionMs() const;
    qint32 lengthMs() const;
    void seekMs(qint32 ms);

    /// Volume 0 (silent) to 100 (full).
    int volume() const;
    void setVolume(int volume);

signals:
    /// The source was set or emptied (the file the preview holds is another one, or none).
    void sourceChanged();
    /// A clip opened (its length is known now).
    void opened();
    /// The clip ended, was stopped or replaced, or could not be opened (failed() tells).
    void closed();

private:
    PreviewKind m_kind;
    std::unique_ptr<RA> m_ra;
    std::unique_ptr<WP> m_wp;
    bool m_failed = false;
    bool m_hasOpened = false;
};

} // namespace vello::editor
