#include "PlayerParts.h"

#include "FolderPathLabel.h"
#include "NativePath.h"
#include "PlaybackMath.h"
#include "PlayerDesktop.h"
#include "frmMain.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUrl>

#include <cmath>

namespace vello {

namespace {

/// A command-line argument given as a file URL (as file managers pass them) becomes a local path; its
/// percent-encoded bytes are kept as they are, also when they are not UTF-8.
QString commandLineFile(const QString& text)
{
    if (text.startsWith(QLatin1String("file://"), Qt::CaseInsensitive) && !hasRawBytes(text)) {
        const QUrl url(text);
        if (url.isLocalFile()) {
            if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
                return url.toLocalFile();
            return fromNativePath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
        }
    }
    return text;
}

} // namespace

PlayerParts::PlayerParts(frmMain& window, const MpvSession::Options& engine, QObject* parent)
    : QObject(parent), m_window(window), m_file1(window.FILE1(), &m_browser),
      m_controller(m_browser, engine, engine), m_tracker(m_controller)
{
    m_controller.setView(this);
    m_controller.setHistory(&m_history);
    bindVideoWindow();

    setupFolderConnections();
    setupFileListConnections();
    setupHistoryConnections();
    setupStartupHooks();
    setupPlaybackConnections();
    setupButtonConnections();
    setupSliderConnections();
    setupViewConnections();
    setupDesktopConnections();
    qApp->installEventFilter(this);
}

PlayerParts::~PlayerParts()
{
    qApp->removeEventFilter(this);
    m_window.hooks() = frmMain::Hooks{};
    m_controller.setView(nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Folder tree and its label

void PlayerParts::setupFolderConnections()
{
    m_browser.setFolderSource([this] { return m_clsDTree.Path(); });
    m_browser.setTreeRefresher([this] { m_clsDTree.Refresh(); });
    connect(&m_clsDTree, &cDTree::Change, this, &PlayerParts::clsDTree_Change);
    connect(&m_clsDTree, &cDTree::focusSelectFailed, this, [this] { m_browser.list().clear(); });
}

void PlayerParts::clsDTree_Change(const QString& path)
{
    m_window.folderLabel()->setPath(path);
    m_browser.FillFileList();
}

// ---------------------------------------------------------------------------------------------------
// File list

void PlayerParts::setupFileListConnections()
{
    m_file1.setPlayingFileSource([this] { return m_controller.CurrentFile(); });
    connect(&m_file1, &FileListView::playRequested, &m_controller, &PlaybackController::PlayCommand);
}

// ---------------------------------------------------------------------------------------------------
// Folder history (the window keeps a copy for its menu and saves it at exit)

void PlayerParts::setupHistoryConnections()
{
    connect(&m_history, &FolderHistory::entriesChanged, this, [this](const QStringList& entries) {
        MainWindowState& state = m_window.state();
        for (int i = 0; i < int(state.FolderHistory.size()) && i < entries.size(); ++i)
            state.FolderHistory[size_t(i)] = entries.at(i);
        m_window.UpdateHistoryMenu();
    });
}

// ---------------------------------------------------------------------------------------------------
// Settings and start-up

void PlayerParts::applySettings()
{
    const PlayerSettings& s = m_window.config().settings();
    BrowserSettings browser;
    browser.extList = s.ExtList;
    browser.fileTitle = s.FileTitle != 0;
    browser.fileDateTime = s.FileDateTime != 0;
    browser.fileSize = s.FileSize != 0;
    browser.sendRecycle = s.SendRecycle;
    m_browser.setSettings(browser);
    m_file1.applyColumnSettings(browser);
    m_controller.setPlayMode(s.PlayMode);
    m_tracker.setSlideTimer(s.SlideTimer);
}

void PlayerParts::setupStartupHooks()
{
    frmMain::Hooks& h = m_window.hooks();
    h.settingsLoaded = [this] { applySettings(); };
    h.SetValue = [this] {
        m_history.load();
        m_clsDTree.setTreeView(m_window.tvwDir());
        m_clsDTree.setImageList(&m_imgLst);
        // No folder is pending at start: the tree opens at its own start folder.
        m_clsDTree.setPath(m_clsDTree.Path());
        clsDTree_Change(m_clsDTree.Path());
    };
    h.setFolder = [this](const QString& folder) {
        m_clsDTree.setPath(folder);
        // The label follows the folder the list shows.
        m_window.folderLabel()->setPath(m_clsDTree.Path());
    };
    h.FillFileList = [this] { m_browser.FillFileList(); };
    h.applyVolume = [this](int volume) { m_controller.setVolume(volume); };
    h.playCommandLine = [this](const QString& text) { playCommandLine(text); };
    h.FileChange = [this] { m_browser.FileChange(); };
    h.currentVolume = [this] { return m_window.sldVol()->value(); };
    h.ChangeOri = [this](double ratio) { ChangeOri(ratio); };
    h.showFullScreen = [this] { m_controller.enterFullScreen(); };
    h.clearHistory = [this] { m_history.clear(); };
}

void PlayerParts::playCommandLine(const QString& text)
{
    m_controller.playFile(commandLineFile(text));
    m_window.state().CurrentFile = m_controller.CurrentFile();
}

// ---------------------------------------------------------------------------------------------------
// The desktop: a second copy's file, media keys, screen saver

void PlayerParts::setupDesktopConnections()
{
    m_desktop = std::make_unique<PlayerDesktop>(*this, m_window);
    m_window.hooks().singleCopyHeld = [this] { m_desktop->listenForSecondCopies(); };
}

// ---------------------------------------------------------------------------------------------------
// Playback and the picture

void PlayerParts::bindVideoWindow()
{
    QWidget* video = m_window.videoArea();
    m_videoWindow = video->winId();
    m_controller.setVideoWindows(m_videoWindow, m_videoWindow);
    video->installEventFilter(this);
}

void PlayerParts::setupPlaybackConnections()
{
    connect(&m_controller, &PlaybackController::clipStarted, this,
            [this](const QString& file) { m_window.state().CurrentFile = file; });
    connect(&m_controller, &PlaybackController::fullScreenRequested, this,
            [this] { m_window.setVideoFullScreen(true); });
}

void PlayerParts::setTitleText(const QString& text)
{
    m_window.lblTitle()->setText(text);
}

void PlayerParts::setWindowTitle(const QString& text)
{
    m_window.setWindowTitle(text);
}

bool PlayerParts::fullScreenChecked() const
{
    return m_window.mnuViewFull()->isChecked();
}

bool PlayerParts::originalSizeChecked() const
{
    return m_window.mnuViewOri()->isChecked();
}

void PlayerParts::requestChangeOri(double ratio)
{
    ChangeOri(ratio);
}

void PlayerParts::showRealAudio(bool realAudio)
{
    // Both players draw into the one video area; the one not chosen has been stopped and shows nothing.
    Q_UNUSED(realAudio)
}

void PlayerParts::focusFileList()
{
    m_window.FILE1()->setFocus(Qt::OtherFocusReason);
}

void PlayerParts::setVolumeSlider(int value)
{
    m_settingVolume = true;
    m_window.sldVol()->setValue(value);
    m_settingVolume = false;
}

// ---------------------------------------------------------------------------------------------------
// Player buttons

void PlayerParts::setupButtonConnections()
{
    for (int i = 0; i < PositionTracker::ButtonCount; ++i) {
        m_window.imgButton(i)->installEventFilter(this);
        m_window.imgButton_S(i)->installEventFilter(this);
    }
    connect(&m_tracker, &PositionTracker::buttonLookChanged, this, &PlayerParts::showButtonLook);
}

void PlayerParts::showButtonLook(int index, bool pressed)
{
    m_window.imgButton(index)->setVisible(!pressed);
    m_window.imgButton_S(index)->setVisible(pressed);
}

void PlayerParts::buttonDown(int index)
{
    switch (index) {
    case PositionTracker::Rewind:
    case PositionTracker::FastForward:
        m_tracker.seekButtonPressed(PositionTracker::Button(index));
        break;
    default:
        m_tracker.setButtonPressed(index, true);
        break;
    }
}

void PlayerParts::buttonUp(int index)
{
    switch (index) {
    case PositionTracker::Rewind:
    case PositionTracker::FastForward:
        // Only a seek under way ends here (a key released without its press does nothing).
        if (m_tracker.buttonPressed(index) && m_tracker.seekTimerActive())
            m_tracker.seekButtonReleased(PositionTracker::Button(index));
        return;
    case PositionTracker::Volume:
        m_tracker.setButtonPressed(index, true);
        m_window.picVol()->show();
        m_window.picVol()->raise();
        return;
    default:
        break;
    }
    m_tracker.setButtonPressed(index, false);
    switch (index) {
    case PositionTracker::Previous:
        m_controller.PlayPrevious();
        break;
    case PositionTracker::Stop:
        m_controller.StopPlayback();
        break;
    case PositionTracker::Play:
        m_controller.PlayCommand();
        break;
    case PositionTracker::Next:
        m_controller.PlayNext();
        break;
    case PositionTracker::Pause:
        m_controller.itijiProc();
        break;
    default:
        break;
    }
    m_window.state().CurrentFile = m_controller.CurrentFile();
}

int PlayerParts::buttonIndexOf(QObject* watched, bool* pressedImage) const
{
    for (int i = 0; i < PositionTracker::ButtonCount; ++i) {
        if (watched == m_window.imgButton(i)) {
            *pressedImage = false;
            return i;
        }
        if (watched == m_window.imgButton_S(i)) {
            *pressedImage = true;
            return i;
        }
    }
    return -1;
}

bool PlayerParts::handleButtonMouse(int index, bool pressedImage, QEvent* event)
{
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return true;
    if (event->type() == QEvent::MouseButtonPress) {
        m_mouseDownButton = index;
        // A click on the volume button's pressed image closes the volume panel.
        m_closingVolumePanel =
            index == PositionTracker::Volume && pressedImage && m_window.picVol()->isVisible();
        if (!m_closingVolumePanel)
            buttonDown(index);
        return true;
    }
    // The release may reach the other image of the pair (the one under the mouse after the press).
    if (m_mouseDownButton != index)
        return true;
    m_mouseDownButton = -1;
    if (m_closingVolumePanel) {
        m_closingVolumePanel = false;
        m_window.picVol()->hide();
        m_tracker.setButtonPressed(index, false);
        return true;
    }
    buttonUp(index);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Position and volume sliders

void PlayerParts::setupSliderConnections()
{
    QSlider* timer = m_window.sldTimer();
    timer->installEventFilter(this);
    connect(&m_tracker, &PositionTracker::sliderMaximumChanged, this, [this, timer](int maximum) {
        m_settingSlider = true;
        timer->setMaximum(maximum);
        m_settingSlider = false;
    });
    connect(&m_tracker, &PositionTracker::sliderValueChanged, this, [this, timer](int value) {
        m_settingSlider = true;
        timer->setValue(value);
        m_settingSlider = false;
    });
    connect(&m_tracker, &PositionTracker::timeTextChanged, m_window.lblTimer(), &QLabel::setText);
    connect(timer, &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingSlider)
            m_tracker.sliderScrolled(value);
    });
    m_window.lblTimer()->setText(m_tracker.timeText());

    connect(m_window.sldVol(), &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingVolume)
            m_controller.setVolume(value);
    });
}

// ---------------------------------------------------------------------------------------------------
// Display sizes

void PlayerParts::setupViewConnections()
{
    // Choosing the original size or a magnification ends the full-screen display.
    connect(m_window.mnuViewOri(), &QAction::toggled, this, [this](bool checked) {
        if (checked)
            m_window.mnuViewFull()->setChecked(false);
    });
}

void PlayerParts::ChangeOri(double ratio)
{
    m_window.setLayoutSuppressed(true);
    const QSize picture = m_controller.pictureSize();
    const int twipsPerPixel = int(std::lround(m_window.twipsPerPixel()));
    const auto fit = PlaybackMath::ChangeOri(picture.width(), picture.height(), ratio, twipsPerPixel,
                                             m_window.layoutTwips().fraFileList.width());
    if (!fit) {
        m_window.setLayoutSuppressed(false);
        return;
    }
    if (m_window.videoFullScreen()) {
        m_window.mnuViewFull()->setChecked(false);
        m_window.setVideoFullScreen(false);
    }
    if (m_window.windowState().testFlag(Qt::WindowMaximized))
        m_window.showNormal();
    QWidget* video = m_window.videoArea();
    video->resize(m_window.toPixels(fit->controlWidth), m_window.toPixels(fit->controlHeight));
    m_window.setLayoutSuppressed(false);
    m_window.setOuterTwips(fit->windowWidth, fit->windowHeight);
}

// ---------------------------------------------------------------------------------------------------
// Keys

bool PlayerParts::acceptsKeysFrom(QObject* watched) const
{
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || widget->window() != &m_window)
        return false;
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return false;
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        focus = widget;
    return !qobject_cast<const QLineEdit*>(focus) && !qobject_cast<const QAbstractSpinBox*>(focus) &&
           !qobject_cast<const QTextEdit*>(focus) && !qobject_cast<const QPlainTextEdit*>(focus);
}

bool PlayerParts::handleKey(QKeyEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    const KeyCommand command = press ? keyDownCommand(event->key(), event->modifiers())
                                     : keyUpCommand(event->key(), event->modifiers());
    if (command == KeyCommand::None)
        return false;
    const bool seekKey = command == KeyCommand::RewindStart || command == KeyCommand::FastForwardStart ||
                         command == KeyCommand::RewindEnd || command == KeyCommand::FastForwardEnd;
    if (!(seekKey && event->isAutoRepeat()))
        runKeyCommand(command, event->modifiers());
    event->accept();
    return true;
}

void PlayerParts::runKeyCommand(KeyCommand command, Qt::KeyboardModifiers modifiers)
{
    switch (command) {
    case KeyCommand::None:
        break;
    case KeyCommand::Stop:
        buttonUp(PositionTracker::Stop);
        break;
    case KeyCommand::Play:
        buttonUp(PositionTracker::Play);
        break;
    case KeyCommand::Previous:
        buttonUp(PositionTracker::Previous);
        break;
    case KeyCommand::Next:
        buttonUp(PositionTracker::Next);
        break;
    case KeyCommand::RewindStart:
        buttonDown(PositionTracker::Rewind);
        break;
    case KeyCommand::FastForwardStart:
        buttonDown(PositionTracker::FastForward);
        break;
    case KeyCommand::RewindEnd:
        buttonUp(PositionTracker::Rewind);
        break;
    case KeyCommand::FastForwardEnd:
        buttonUp(PositionTracker::FastForward);
        break;
    case KeyCommand::Pause:
        buttonUp(PositionTracker::Pause);
        break;
    case KeyCommand::Delete:
        m_file1.popDel_Click();
        break;
    case KeyCommand::Refresh:
        m_browser.FileChange();
        break;
    case KeyCommand::Rename:
        if (!m_browser.favouritesMode())
            m_file1.popReName_Click();
        break;
    case KeyCommand::MarkCaption:
    case KeyCommand::MarkToggle:
        m_file1.handleCKey(modifiers);
        break;
    case KeyCommand::LeaveFullScreen:
        m_window.mnuViewFull()->setChecked(false);
        break;
    case KeyCommand::Help:
        m_window.mnuHelp_Click();
        break;
    }
}

// ---------------------------------------------------------------------------------------------------

bool PlayerParts::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (acceptsKeysFrom(watched))
            return handleKey(static_cast<QKeyEvent*>(event));
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        if (watched == m_window.sldTimer() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // The slider takes the press of a double click as a press of its own.
            if (event->type() != QEvent::MouseButtonRelease)
                m_tracker.sliderPressed();
            else if (event->type() == QEvent::MouseButtonRelease && m_tracker.SliderDragging())
                m_tracker.sliderReleased();
            break;
        }
        bool pressedImage = false;
        const int index = buttonIndexOf(watched, &pressedImage);
        if (index >= 0) {
            if (event->type() == QEvent::MouseButtonDblClick)
                return true;
            return handleButtonMouse(index, pressedImage, event);
        }
        break;
    }
    case QEvent::WinIdChange:
        if (watched == m_window.videoArea()) {
            // The window system gave the video area a new window: the next clip draws into it.
            const quint64 id = m_window.videoArea()->internalWinId();
            if (id != 0 && id != m_videoWindow) {
                m_videoWindow = id;
                m_controller.setVideoWindows(id, id);
            }
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vello
