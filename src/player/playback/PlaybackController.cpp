#include "PlaybackController.h"

#include "FileBrowser.h"
#include "FolderHistory.h"
#include "Helpers.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PlaybackMath.h"
#include "ProgramPaths.h"
#include "VelloVersion.h"

#include <QTimer>

#include <climits>
#include <utility>

namespace vello {

namespace {

const QString NoPlayableText =
    QStringLiteral("現在ファイルリストに表示しているファイル全てが、使用不可に設定されているか、") + u'\r' +
    QStringLiteral("再生できるファイルがありません");

} // namespace

PlaybackController::PlaybackController(FileBrowser& browser, const MpvSession::Options& raOptions,
                                       const MpvSession::Options& wpOptions, QObject* parent)
    : QObject(parent), m_browser(browser), m_ra(raOptions), m_wp(wpOptions),
      m_volumeMemory(ProgramPaths::dataFile(QStringLiteral("VolumeSize.ini"))),
      m_programTitle(QStringLiteral("Velloplayer " VELLO_VERSION_STRING))
{
    connect(&m_ra, &RA::clipClosed, this,
            [this](const EndReport& report) { onEndReport(RealAudio, report); });
    connect(&m_wp, &WP::endOfStream, this,
            [this](const EndReport& report) { onEndReport(MediaPlayer, report); });
    connect(&m_ra, &RA::clipOpened, this, [this] { onClipOpened(RealAudio); });
    connect(&m_wp, &WP::streamOpened, this, [this] { onClipOpened(MediaPlayer); });
    connect(&m_ra, &RA::fullScreenRequested, this, &PlaybackController::fullScreenRequested);
    connect(&m_wp, &WP::fullScreenRequested, this, &PlaybackController::fullScreenRequested);
    connect(&m_ra, &RA::pictureTaken, this, &PlaybackController::pictureTaken);
    connect(&m_wp, &WP::pictureTaken, this, &PlaybackController::pictureTaken);
}

PlaybackController::~PlaybackController()
{
    // The adapters end their clips without reports when they are destroyed; nothing reaches us after this.
    disconnect(&m_ra, nullptr, this, nullptr);
    disconnect(&m_wp, nullptr, this, nullptr);
}

void PlaybackController::setVideoWindows(quint64 raWindow, quint64 wpWindow)
{
    m_ra.setVideoWindow(raWindow);
    m_wp.setVideoWindow(wpWindow);
}

bool PlaybackController::UseRealAudio(const QString& file)
{
    const QString tail = file.right(3).toUpper();
    return tail == QLatin1String(".RA") || tail == QLatin1String(".RM") || tail == QLatin1String("RAM");
}

bool PlaybackController::FaFlg() const
{
    return m_browser.favouritesMode();
}

quint64 PlaybackController::currentClipOf(Control control) const
{
    return control == RealAudio ? m_ra.currentClip() : m_wp.currentClip();
}

int PlaybackController::playableCount() const
{
    const FileList& list = m_browser.list();
    int playable = 0;
    for (int i = 1; i <= list.count(); ++i)
        playable += list.isPlayable(i) ? 1 : 0;
    return playable;
}

bool PlaybackController::NoPlayableFile() const
{
    const FileList& list = m_browser.list();
    for (int i = 1; i <= list.count(); ++i) {
        if (list.isPlayable(i))
            return false;
    }
    MessageService::warning(NoPlayableText);
    return true;
}

void PlaybackController::PlaySelected()
{
    const FileList& list = m_browser.list();
    const int selected = list.selectedIndex();
    if (selected < 1 || selected > list.count())
        return;
    if (m_view)
        m_view->prepareVideoWindow();
    if (!m_currentFile.isEmpty())
        RememberVolume();
    m_currentFile = m_browser.fullPathOf(selected);
    m_lastStarted = m_currentFile;
    ++m_generation;
    m_lengthMs = 0;

    if (UseRealAudio()) {
        m_loadTarget = RealAudio;
        m_wp.stop();
        m_wp.setFileName(QString());
        m_emptyPending[MediaPlayer] = false;
        if (FaFlg())
            m_ra.stop();
        m_ra.setSource(m_currentFile);
        m_expected[RealAudio] = m_ra.currentClip();
        if (m_view)
            m_view->showRealAudio(true);
    } else {
        m_loadTarget = MediaPlayer;
        m_ra.stop();
        if (m_view)
            m_view->showRealAudio(false);
        m_wp.setStartFlag(false);
        m_wp.setFileName(m_currentFile);
        m_expected[MediaPlayer] = m_wp.currentClip();
        if (m_view && m_view->fullScreenChecked())
            m_wp.setDisplaySize(WP::FullScreenSize);
        // The picture size is known only when the stream has opened; the window is fitted then.
    }
    m_loadTarget = -1;
    emptyReleasedControls();
    RecallVolume();
    if (m_view)
        m_view->focusFileList();
}

void PlaybackController::playFile(const QString& path)
{
    if (path.isEmpty())
        return;
    if (m_view)
        m_view->prepareVideoWindow();
    m_currentFile = path;
    m_lastStarted = path;
    ++m_generation;
    m_lengthMs = 0;
    if (UseRealAudio()) {
        m_ra.setSource(m_currentFile);
        m_expected[RealAudio] = m_ra.currentClip();
    } else {
        m_wp.setStartFlag(false);
        m_wp.setFileName(m_currentFile);
        m_expected[MediaPlayer] = m_wp.currentClip();
    }
}

void PlaybackController::emptyReleasedControls()
{
    // Runs outside the adapters' report delivery, where emptying takes effect.
    if (std::exchange(m_emptyPending[RealAudio], false) && !(UseRealAudio() && m_ra.isOpen()))
        m_ra.setSource(QString());
    if (std::exchange(m_emptyPending[MediaPlayer], false) && !(!UseRealAudio() && m_wp.isOpen()))
        m_wp.setFileName(QString());
}

void PlaybackController::PlayCommand()
{
    if (m_ra.playState() == RA::PlayState::Paused) {
        m_ra.resume();
        return;
    }
    if (m_wp.playState() == WP::PlayState::Paused) {
        m_wp.setStartFlag(false);
        m_wp.play();
        return;
    }
    if (NoPlayableFile())
        return;
    const FileList& list = m_browser.list();
    if (!list.isPlayable(list.selectedIndex())) {
        PlayNext();
        return;
    }
    if (!FaFlg() && m_history)
        m_history->recordPlay(m_browser.currentFolder());
    m_changePending = m_ra.isOpen();
    m_failedInRow = 0;
    PlaySelected();
}

void PlaybackController::PlayNext()
{
    m_failedInRow = 0;
    playNextStep();
}

void PlaybackController::playNextStep()
{
    if (NoPlayableFile())
        return;
    FileList& list = m_browser.list();
    const int n = list.count();
    if (m_playMode == 2) {
        restartCurrent();
        return;
    }
    if (m_playMode == 3)
        m_previousIndex = list.selectedIndex();

    // Deterministic modes find a playable entry within n steps (one exists); random mode draws at most n
    // times and then walks on in list order from its last draw.
    int draws = 0;
    const int limit = (m_playMode == 3 ? 2 * n : n) + 1;
    for (int step = 0; step < limit; ++step) {
        const int i = list.selectedIndex();
        switch (m_playMode) {
        case 0:
            if (i >= n)
                return; // after the last entry nothing more plays
            list.select(i + 1);
            break;
        case 1:
            list.select(i >= n ? 1 : i + 1);
            break;
        case 3:
            if (draws < n) {
                m_browser.SelectRandomItem();
                ++draws;
            } else {
                list.select(i >= n ? 1 : i + 1);
            }
            break;
        default:
            break; // the selection stays
        }
        if (list.isPlayable(list.selectedIndex())) {
            m_changePending = true;
            PlaySelected();
            return;
        }
        if (m_playMode < 0 || m_playMode > 3)
            return; // the kept selection is marked: nothing to play
    }
}

void PlaybackController::restartCurrent()
{
    m_changePending = true;
    ++m_generation;
    if (UseRealAudio()) {
        m_ra.play();
        m_expected[RealAudio] = m_ra.currentClip();
    } else {
        m_wp.setStartFlag(false);
        m_wp.play();
        m_expected[MediaPlayer] = m_wp.currentClip();
    }
}

void PlaybackController::PlayPrevious()
{
    if (NoPlayableFile())
        return;
    FileList& list = m_browser.list();
    const int n = list.count();
    const auto stepBack = [&list, n] {
        const int i = list.selectedIndex();
        list.select(i <= 1 ? n : i - 1);
    };
    if (m_playMode == 3) {
        if (m_previousIndex < 1 || m_previousIndex > n)
            return; // no random step yet: there is no previous entry
        list.select(m_previousIndex);
    } else {
        stepBack();
    }
    for (int steps = 0; steps < n && !list.isPlayable(list.selectedIndex()); ++steps)
        stepBack();
    if (!list.isPlayable(list.selectedIndex()))
        return;
    m_changePending = true;
    m_failedInRow = 0;
    PlaySelected();
}

void PlaybackController::StopPlayback()
{
    m_changePending = true;
    ++m_generation;
    if (!m_currentFile.isEmpty())
        RememberVolume();
    if (UseRealAudio())
        m_ra.stop();
    else
        m_wp.stop();
    m_currentFile.clear();
    emptyReleasedControls();
}

void PlaybackController::itijiProc()
{
    if (UseRealAudio())
        m_ra.pause();
    else
        m_wp.pause();
}

void PlaybackController::holdForSourceSwitch()
{
    m_changePending = true;
    ++m_generation; // an advance already scheduled does not run
    if (UseRealAudio())
        m_ra.stop();
    else
        m_wp.pause();
    emptyReleasedControls();
}

void PlaybackController::onEndReport(Control control, const EndReport& report)
{
    if (report.clip == 0 || report.clip != m_expected[control])
        return; // not the load this controller started last on that control
    m_expected[control] = 0;
    m_changePending = false;

    switch (report.reason) {
    case EndReport::ClosedByProgram:
        if (m_loadTarget != control)
            m_emptyPending[control] = true;
        return;
    case EndReport::EndedByItself:
        if (control != activeControl())
            return;
        emit clipEnded(m_currentFile);
        scheduleAdvance();
        return;
    case EndReport::FailedToOpen: {
        if (control != activeControl())
            return;
        clearClipDisplay();
        emit clipFailed(m_currentFile);
        ++m_failedInRow;
        const int limit = m_playMode == 2 ? 1 : qMax(1, playableCount());
        if (m_failedInRow >= limit) {
            m_failedInRow = 0;
            ++m_generation;
            emit playbackFinished();
            return;
        }
        scheduleAdvance();
        return;
    }
    }
}

void PlaybackController::clearClipDisplay()
{
    // Nothing may keep naming the clip played before the one that failed.
    m_titleText.clear();
    m_lengthMs = 0;
    m_totalTimeText = PlaybackMath::totalTimeText(0);
    if (m_view) {
        m_view->setTitleText(QString());
        m_view->setWindowTitle(m_programTitle);
    }
    emit clipLengthChanged(m_lengthMs, m_totalTimeText);
}

void PlaybackController::scheduleAdvance()
{
    const quint64 generation = m_generation;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == m_generation)
            advance();
    });
}

void PlaybackController::advance()
{
    const quint64 before = m_generation;
    playNextStep();
    if (m_generation == before)
        emit playbackFinished();
}

void PlaybackController::onClipOpened(Control control)
{
    if (control != activeControl() || m_expected[control] == 0 ||
        currentClipOf(control) != m_expected[control])
        return;
    m_failedInRow = 0;

    if (control == RealAudio && m_view && m_view->fullScreenChecked())
        m_ra.setFullScreen();
    if (m_view && m_view->originalSizeChecked())
        m_view->requestChangeOri(0);

    QString title;
    if (control == RealAudio) {
        title = m_browser.list().selectedTitle();
        if (title.isEmpty())
            title = m_ra.title();
        m_lengthMs = m_ra.length();
    } else {
        title = m_wp.mediaInfoString(WP::TitleInfo);
        m_lengthMs = int(qBound(qint64(0), roundHalfEven(m_wp.duration() * 1000.0), qint64(INT_MAX)));
    }
    m_titleText = title;
    if (m_view) {
        m_view->setTitleText(title);
        m_view->setWindowTitle(m_programTitle + QStringLiteral(" - [") + displayPath(m_currentFile) +
                               QStringLiteral("] - ") + title);
    }
    m_totalTimeText = PlaybackMath::totalTimeText(m_lengthMs);
    emit clipLengthChanged(m_lengthMs, m_totalTimeText);
    emit clipStarted(m_currentFile, title, m_lengthMs);
}

void PlaybackController::RememberVolume()
{
    m_volumeMemory.remember(m_currentFile, m_volume);
}

void PlaybackController::RecallVolume()
{
    const VolumeMemory::Stored stored = m_volumeMemory.recall(m_currentFile);
    if (stored.value) {
        setVolume(*stored.value);
        if (m_view)
            m_view->setVolumeSlider(m_volume);
        return;
    }
    if (stored.present) {
        // Not a volume (text, or outside 0..100): slider and control stay as they are.
        qCInfo(lcPlayback) << "stored volume is not a volume, left as it is:" << m_currentFile;
        return;
    }
    m_volume =
        UseRealAudio() ? qBound(0, int(m_ra.volume()), 100) : PlaybackMath::sliderFromWpVolume(m_wp.volume());
    if (m_view)
        m_view->setVolumeSlider(m_volume);
}

void PlaybackController::setVolume(int value)
{
    m_volume = qBound(0, value, 100);
    if (UseRealAudio())
        m_ra.setVolume(qint16(m_volume));
    else
        m_wp.setVolume(PlaybackMath::wpVolumeFromSlider(m_volume));
}

PlaybackController::ControlStatus PlaybackController::controlStatus() const
{
    ControlStatus status;
    status.realAudio = UseRealAudio();
    status.raState = m_ra.playState();
    status.raPositionMs = m_ra.position();
    status.wpState = m_wp.playState();
    status.wpPositionSec = m_wp.currentPosition();
    return status;
}

void PlaybackController::pauseActive()
{
    itijiProc();
}

void PlaybackController::seekActive(int ms)
{
    if (UseRealAudio())
        m_ra.setPosition(ms);
    else
        m_wp.setCurrentPosition(double(ms) / 1000.0);
}

void PlaybackController::playActive()
{
    if (UseRealAudio()) {
        m_ra.play();
        m_expected[RealAudio] = m_ra.currentClip();
    } else {
        m_wp.play();
        m_expected[MediaPlayer] = m_wp.currentClip();
    }
}

void PlaybackController::resumeAfterSeek(int ms)
{
    if (UseRealAudio()) {
        m_ra.setPosition(ms);
        m_ra.play();
        m_expected[RealAudio] = m_ra.currentClip();
    } else {
        m_wp.setCurrentPosition(double(ms) / 1000.0);
        m_wp.setStartFlag(false);
        m_wp.play();
        m_expected[MediaPlayer] = m_wp.currentClip();
    }
}

QSize PlaybackController::pictureSize() const
{
    if (UseRealAudio())
        return QSize(m_ra.clipWidth(), m_ra.clipHeight());
    return QSize(m_wp.imageSourceWidth(), m_wp.imageSourceHeight());
}

void PlaybackController::enterFullScreen()
{
    if (UseRealAudio())
        m_ra.setFullScreen();
    else
        m_wp.setDisplaySize(WP::FullScreenSize);
}

void PlaybackController::setSpeed(double speed)
{
    m_speed = speed;
    m_ra.setSpeed(speed);
    m_wp.setSpeed(speed);
}

bool PlaybackController::hasPicture() const
{
    const bool open = UseRealAudio() ? m_ra.isOpen() : m_wp.isOpen();
    return open && !pictureSize().isEmpty();
}

quint64 PlaybackController::requestPicture()
{
    if (!hasPicture())
        return 0;
    const quint64 request = ++m_pictureRequests;
    if (UseRealAudio())
        m_ra.takePicture(request);
    else
        m_wp.takePicture(request);
    return request;
}

} // namespace vello
