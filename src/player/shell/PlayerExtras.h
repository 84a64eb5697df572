// The player's conveniences: drops onto the main window, continuing the clip left last, the playback
// speed and saving the picture on screen.
#pragma once

#include "PlaybackController.h"
#include "ResumePoint.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class QDropEvent;

namespace vello {

class PlayerParts;
class frmMain;

/**
 * One feature of the player's composition (PlayerParts), connecting four commands to the playback
 * controller, the file browser and the main window:
 *
 *  - Drops: a media file dropped onto the main window plays as a file given on the command line (the clip
 *    in the player ends without an advance); a folder opens in the folder tree and list and becomes the
 *    newest history entry. Anything else dropped is ignored with a line on the log (DropRequest). While a
 *    modal window is open a drop is refused.
 *  - "前回の続きから再生(&L)": the clip left partway through (ResumePoint) when the user stopped it or the
 *    program ended is opened in its folder, selected and played from where it was left; a clip now shorter
 *    than that position starts from its beginning. Offered only while such a clip exists.
 *  - "再生速度(&P)": faster (]), slower ([) and normal (Backspace) in the steps of PlaybackMath::SpeedSteps,
 *    for every clip until changed; the time label shows a speed other than 1.0.
 *  - "表示中の画像を保存(&P)" (Shift+S): the frame on screen at the clip's own size as a PNG file in the
 *    pictures folder (PictureFile); a message names the file or says why it was not written. Offered only
 *    while a clip with a picture is open.
 *
 * Window thread only; the parts and the window must outlive this object.
 */
class PlayerExtras final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerExtras)

public:
    PlayerExtras(PlayerParts& parts, frmMain& window, QObject* parent = nullptr);
    ~PlayerExtras() override;

    /// The user stops the clip (stop button, F12, the media keys): called before the controller stops it.
    void stopRequested();
    /// The program ends (the window closes or the session quits) with the clip as it is.
    void programEnding();

    /// Carries out a drop; false (nothing done) when it was refused or held nothing usable.
    bool drop(const QByteArray& uriList);
    /// "前回の続きから再生(&L)".
    void resume();
    /// Speed one step slower (-1), faster (+1), or back to 1.0 (0).
    void stepSpeed(int direction);
    /// "表示中の画像を保存(&P)".
    void savePicture();

    /// The folder pictures are saved into; "" (the default) is PictureFile::picturesFolder().
    void setPicturesFolder(const QString& folder) { m_picturesFolder = folder; }
    ResumePoint& resumePoint() { return m_resume; }

    /// Offers the resume and picture commands as far as there is something for them.
    void updateCommands();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// A picture request on its way.
    struct PictureRequest
    {
        QString clip;     ///< the clip it was asked of
        QString fileName; ///< the file it goes into
        int attempts = 1;
    };

    void setupDropConnections();
    void setupResumeConnections();
    void setupSpeedConnections();
    void setupPictureConnections();

    bool dropAllowed(const QDropEvent& event) const;
    /// The position of the open clip in the active control, milliseconds.
    qint64 positionMs() const;
    void leaveCurrentClip();
    void clipStarted(const QString& file, int lengthMs);
    void requestPicture(const PictureRequest& request);
    void pictureTaken(const RawPicture& picture);

    PlayerParts& m_parts;
    frmMain& m_window;
    PlaybackController& m_controller;
    ResumePoint m_resume;
    /// The clip being resumed and its position, until it has opened.
    std::optional<ResumePoint::Point> m_resuming;
    QHash<quint64, PictureRequest> m_pictureRequests;
    QString m_picturesFolder;
};

} // namespace vello
