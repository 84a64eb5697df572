#include "PlayerExtras.h"

#include "DropRequest.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PictureFile.h"
#include "PlaybackMath.h"
#include "PlayerParts.h"
#include "TransportBar.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

#include <cmath>

namespace vello {

namespace {

const QString UriListType = QStringLiteral("text/uri-list");

} // namespace

PlayerExtras::PlayerExtras(PlayerParts& parts, frmMain& window, QObject* parent)
    : QObject(parent), m_parts(parts), m_window(window), m_controller(parts.controller())
{
    setupDropConnections();
    setupResumeConnections();
    setupSpeedConnections();
    setupPictureConnections();
    updateCommands();
}

PlayerExtras::~PlayerExtras()
{
    m_window.removeEventFilter(this);
}

bool PlayerExtras::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (dropAllowed(*drag)) {
            drag->acceptProposedAction();
        } else {
            if (event->type() == QEvent::DragEnter)
                qCInfo(lcShell) << "drop refused:"
                                << (QApplication::activeModalWidget()
                                        ? "a window of the player waits for an answer"
                                        : "no files")
                                << (drag->mimeData() ? drag->mimeData()->formats() : QStringList());
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* dropped = static_cast<QDropEvent*>(event);
        if (!dropAllowed(*dropped)) {
            dropped->ignore();
            return true;
        }
        if (drop(dropped->mimeData()->data(UriListType)))
            dropped->acceptProposedAction();
        else
            dropped->ignore();
        return true;
    }
    case QEvent::Close:
        // Before the window saves its state and goes.
        programEnding();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------------
// Drops

void PlayerExtras::setupDropConnections()
{
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
}

bool PlayerExtras::dropAllowed(const QDropEvent& event) const
{
    return !QApplication::activeModalWidget() && event.mimeData() && event.mimeData()->hasFormat(UriListType);
}

bool PlayerExtras::drop(const QByteArray& uriList)
{
    const DropRequest request = DropRequest::fromUriList(uriList, m_window.config().settings().ExtList);
    if (!request.ignored.isEmpty())
        qCInfo(lcShell) << "dropped and ignored:" << request.ignored;
    switch (request.action) {
    case DropRequest::Action::None:
        return false;
    case DropRequest::Action::PlayFile:
        qCInfo(lcShell) << "dropped file played:" << request.path;
        // As a file handed over by a second copy: the clip in the player ends without an advance.
        if (!m_controller.CurrentFile().isEmpty())
            m_controller.StopPlayback();
        m_parts.playCommandLine(request.path);
        break;
    case DropRequest::Action::OpenFolder:
        qCInfo(lcShell) << "dropped folder opened:" << request.path;
        m_parts.setFolder(request.path);
        m_parts.FillFileList();
        m_parts.history().recordPlay(m_parts.clsDTree().Path());
        break;
    }
    updateCommands();
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Continuing the clip left last

void PlayerExtras::setupResumeConnections()
{
    connect(m_window.mnuResume(), &QAction::triggered, this, &PlayerExtras::resume);
    connect(m_window.mnuFile(), &QMenu::aboutToShow, this, &PlayerExtras::updateCommands);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &PlayerExtras::programEnding);
    connect(&m_controller, &PlaybackController::clipStarted, this,
            [this](const QString& file, const QString&, int lengthMs) { clipStarted(file, lengthMs); });
    connect(&m_controller, &PlaybackController::clipEnded, this, [this](const QString& file) {
        m_resume.finished(file);
        updateCommands();
    });
    connect(&m_controller, &PlaybackController::clipFailed, this, [this] {
        m_resuming.reset();
        updateCommands();
    });
    connect(&m_controller, &PlaybackController::playbackFinished, this, &PlayerExtras::updateCommands);
}

qint64 PlayerExtras::positionMs() const
{
    const PlaybackController::ControlStatus status = m_controller.controlStatus();
    if (status.realAudio)
        return status.raPositionMs;
    return std::llround(status.wpPositionSec * 1000.0);
}

void PlayerExtras::leaveCurrentClip()
{
    const QString file = m_controller.CurrentFile();
    if (!file.isEmpty())
        m_resume.leave(file, positionMs(), m_controller.lengthMs());
}

void PlayerExtras::stopRequested()
{
    leaveCurrentClip();
    m_resuming.reset();
    updateCommands();
}

void PlayerExtras::programEnding()
{
    leaveCurrentClip();
}

void PlayerExtras::resume()
{
    const std::optional<ResumePoint::Point> point = m_resume.available();
    updateCommands();
    if (!point)
        return;
    qCInfo(lcShell) << "continuing" << point->path() << "at" << point->positionMs << "ms";
    if (!m_controller.CurrentFile().isEmpty())
        m_controller.StopPlayback();
    m_parts.setFolder(point->folder);
    m_parts.FillFileList();
    FileList& list = m_parts.browser().list();
    int index = 0;
    for (int i = 1; i <= list.count() && index == 0; ++i) {
        if (m_parts.browser().fullPathOf(i) == point->path() || list.name(i) == point->name)
            index = i;
    }
    m_resuming = point;
    if (index == 0) {
        // Its folder no longer lists it (the listed extensions changed): it plays on its own.
        m_parts.playCommandLine(point->path());
        return;
    }
    list.select(index);
    m_controller.PlayCommand();
}

void PlayerExtras::clipStarted(const QString& file, int lengthMs)
{
    updateCommands();
    const std::optional<ResumePoint::Point> point = std::exchange(m_resuming, std::nullopt);
    if (!point || fileNameOf(file) != point->name)
        return;
    if (point->positionMs >= lengthMs) {
        qCInfo(lcShell) << "the clip to continue is now shorter; it starts from its beginning:" << file;
        return;
    }
    m_controller.seekActive(int(point->positionMs));
}

void PlayerExtras::updateCommands()
{
    m_window.mnuResume()->setEnabled(m_resume.available().has_value());
    m_window.mnuSavePicture()->setEnabled(m_controller.hasPicture());
}

// ---------------------------------------------------------------------------------------------------
// Playback speed

void PlayerExtras::setupSpeedConnections()
{
    for (QAction* a : {m_window.mnuSpeedUp(), m_window.mnuSpeedDown(), m_window.mnuSpeedNormal()})
        a->setEnabled(true);
    connect(m_window.mnuSpeedUp(), &QAction::triggered, this, [this] { stepSpeed(+1); });
    connect(m_window.mnuSpeedDown(), &QAction::triggered, this, [this] { stepSpeed(-1); });
    connect(m_window.mnuSpeedNormal(), &QAction::triggered, this, [this] { stepSpeed(0); });
}

void PlayerExtras::stepSpeed(int direction)
{
    const double speed = direction == 0 ? 1.0 : PlaybackMath::steppedSpeed(m_controller.speed(), direction);
    m_controller.setSpeed(speed);
    m_window.transportBar().setSpeedText(PlaybackMath::speedText(speed));
    qCInfo(lcShell) << "playback speed" << speed;
}

// ---------------------------------------------------------------------------------------------------
// Saving the picture on screen

void PlayerExtras::setupPictureConnections()
{
    connect(m_window.mnuSavePicture(), &QAction::triggered, this, &PlayerExtras::savePicture);
    // Queued: the answer arrives while the engine delivers its events, and the message that follows
    // runs an event loop of its own, which must not run inside that delivery.
    qRegisterMetaType<RawPicture>();
    connect(&m_controller, &PlaybackController::pictureTaken, this, &PlayerExtras::pictureTaken,
            Qt::QueuedConnection);
}

void PlayerExtras::savePicture()
{
    const QString clip = m_controller.CurrentFile();
    requestPicture({clip, PictureFile::fileName(clip, positionMs()), 1});
}

void PlayerExtras::requestPicture(const PictureRequest& request)
{
    const quint64 number = m_controller.requestPicture();
    if (number == 0) {
        qCInfo(lcShell) << "no picture on screen to save";
        updateCommands();
        return;
    }
    m_pictureRequests.insert(number, request);
}

void PlayerExtras::pictureTaken(const RawPicture& picture)
{
    const auto found = m_pictureRequests.constFind(picture.request);
    if (found == m_pictureRequests.constEnd())
        return;
    const PictureRequest request = *found;
    m_pictureRequests.erase(found);
    // Just after a clip has opened its first frame may not be on screen yet: asked again a little later.
    constexpr int kAttempts = 10;
    constexpr int kRetryMs = 100;
    if (!picture.ok && request.attempts < kAttempts && m_controller.CurrentFile() == request.clip &&
        m_controller.hasPicture()) {
        QTimer::singleShot(kRetryMs, this, [this, request] {
            if (m_controller.CurrentFile() == request.clip)
                requestPicture({request.clip, request.fileName, request.attempts + 1});
        });
        return;
    }
    const QString folder = m_picturesFolder.isEmpty() ? PictureFile::picturesFolder() : m_picturesFolder;
    const PictureFile::Result result = PictureFile::save(picture, folder, request.fileName);
    if (result.ok)
        MessageService::information(result.message);
    else
        MessageService::critical(result.message);
}

} // namespace vello
