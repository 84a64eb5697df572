// The terminal player: lists a folder as the file list shows it and plays it through without attention.
#pragma once

#include "FileBrowser.h"
#include "PlaybackController.h"
#include "PlayerSettings.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTextStream>

#include <memory>

namespace vello {

/**
 * Drives one PlaybackController over the files of one folder, printing to standard output:
 * first the playlist (name, then title, date and size columns as the settings switch them on), then one
 * line per clip as it starts (index, name, title, length), per clip that cannot be opened, and when
 * playback ends.
 *
 * Ends the application's event loop with exit code 0 when unattended playback halts (normal mode after
 * the last clip, or nothing more can be played), when "q" is read from standard input, or on SIGINT /
 * SIGTERM; with 1 when the folder cannot be read. Standard input at end of file is ignored.
 *
 * One instance per process (it owns the process's SIGINT/SIGTERM handling). Event-loop thread only.
 */
class HeadlessPlayer : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString folder;            ///< folder to play
        bool audio = false;        ///< play sound through the default audio output (else "null")
        int playModeOverride = -1; ///< 0..3 replaces the setting's play mode; -1 keeps it
    };

    HeadlessPlayer(const Options& options, const PlayerSettings& settings, QObject* parent = nullptr);
    ~HeadlessPlayer() override;

    /// Prints the playlist and starts playback; returns false (after a message) when the folder does not
    /// exist. When nothing can be played the event loop is asked to end with 0.
    bool start();

    /// The playlist as printed: a header line and one line per entry.
    QStringList playlistLines() const;

private:
    void onClipStarted(const QString& file, const QString& title, int lengthMs);
    void onStdin();
    void onSignal();
    void finish(const QString& reason);

    Options m_options;
    PlayerSettings m_settings;
    FileBrowser m_browser;
    std::unique_ptr<PlaybackController> m_controller;
    QTextStream m_out;
    QString m_folder;
    std::unique_ptr<QSocketNotifier> m_stdinNotifier;
    std::unique_ptr<QSocketNotifier> m_signalNotifier;
    bool m_finished = false;
};

} // namespace vello
