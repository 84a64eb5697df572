#include "PlayerParts.h"

#include "BasicRandom.h"
#include "FavouritesTree.h"
#include "FolderPathLabel.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PlaybackMath.h"
#include "PlayerDesktop.h"
#include "PlayerExtras.h"
#include "TransportBar.h"
#include "frmAbout.h"
#include "frmCfg.h"
#include "frmFa.h"
#include "frmFaFolder.h"
#include "frmMain.h"
#include "frmPickup.h"
#include "frmUpdate.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
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
      m_controller(m_browser, engine, engine), m_tracker(m_controller), m_settingsEditor(window.config())
{
    m_controller.setView(this);
    m_controller.setHistory(&m_history);
    bindVideoWindow();

    setupFolderConnections();
    setupFileListConnections();
    setupHistoryConnections();
    setupPlaybackConnections();
    setupTransportConnections();
    setupKeyConnections();
    setupViewConnections();
    setupDesktopConnections();
    setupUpdateConnections();
    setupFavouritesConnections();
    setupSettingsConnections();
    setupInfoConnections();
    setupExtrasConnections();
    m_window.setParts(this);
}

PlayerParts::~PlayerParts()
{
    qApp->removeEventFilter(this);
    m_window.setParts(nullptr);
    m_controller.setView(nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Folder tree and its label

void PlayerParts::setupFolderConnections()
{
    m_browser.setFolderSource([this] { return m_clsDTree.Path(); });
    m_browser.setTreeRefresher([this] {
        m_clsDTree.Refresh();
        // The refresh may have moved to a parent of a folder that is gone: the label follows.
        m_window.folderLabel()->setPath(m_clsDTree.Path());
    });
    connect(&m_clsDTree, &cDTree::Change, this, &PlayerParts::clsDTree_Change);
    connect(&m_clsDTree, &cDTree::focusSelectFailed, this, [this] { m_browser.list().clear(); });
}

void PlayerParts::clsDTree_Change(const QString& path)
{
    m_window.folderLabel()->setPath(path);
    FillFileList();
}

// ---------------------------------------------------------------------------------------------------
// File list

void PlayerParts::setupFileListConnections()
{
    // The file started last is protected, also after Stop.
    m_file1.setPlayingFileSource([this] { return m_controller.lastStartedFile(); });
    connect(&m_file1, &FileListView::playRequested, &m_controller, &PlaybackController::PlayCommand);
}

// ---------------------------------------------------------------------------------------------------
// Folder history (the window keeps a copy for its menu and saves it at exit)

void PlayerParts::setupHistoryConnections()
{
    connect(&m_history, &FolderHistory::entriesChanged, &m_window, &frmMain::setFolderHistory);
}

bool PlayerParts::clearHistory()
{
    m_history.clear();
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Settings and start-up

void PlayerParts::settingsLoaded()
{
    takeSettings(true);
}

void PlayerParts::takeSettings(bool columns)
{
    const PlayerSettings& s = m_window.config().settings();
    BrowserSettings browser;
    browser.extList = s.ExtList;
    browser.fileTitle = s.FileTitle != 0;
    browser.fileDateTime = s.FileDateTime != 0;
    browser.fileSize = s.FileSize != 0;
    browser.sendRecycle = s.SendRecycle;
    m_browser.setSettings(browser);
    if (columns)
        m_file1.applyColumnSettings(browser);
    m_controller.setPlayMode(s.PlayMode);
    m_tracker.setSlideTimer(s.SlideTimer);
}

void PlayerParts::SetValue()
{
    m_history.load();
    // A window that appears before its refresh shows the tree built quickly; the refresh completes it.
    m_clsDTree.setQuickBuild(m_window.windowFirst());
    m_clsDTree.setTreeView(m_window.tvwDir());
    m_clsDTree.setImageList(&m_imgLst);
    // No folder is pending at start: the tree opens at its own start folder.
    m_clsDTree.setPath(m_clsDTree.Path());
    // The start-up fills the file list once its start folder is chosen; a window that appears first
    // does not list this folder before that.
    if (m_window.windowFirst())
        m_window.folderLabel()->setPath(m_clsDTree.Path());
    else
        clsDTree_Change(m_clsDTree.Path());
}

void PlayerParts::setFolder(const QString& folder)
{
    // A history entry chosen in favourites mode goes back to the folder tree to open its folder.
    if (m_favouritesMode.FaFlg())
        m_favouritesMode.mnuFaOpen_Click();
    m_clsDTree.setPath(folder);
    // The label follows the folder the list shows.
    m_window.folderLabel()->setPath(m_clsDTree.Path());
}

void PlayerParts::FillFileList()
{
    // In favourites mode the list holds full paths of favourites; a folder's names never go into it.
    if (m_favouritesMode.FaFlg())
        return;
    m_browser.FillFileList();
}

void PlayerParts::applyVolume(int volume)
{
    m_controller.setVolume(volume);
}

void PlayerParts::playCommandLine(const QString& text)
{
    const QString file = commandLineFile(text);
    if (!pathExists(file)) {
        // Nothing plays: the folder's own files are not started in its place.
        MessageService::critical(QStringLiteral("指定されたファイルが見つかりません。") + u'\n' +
                                 displayPath(file));
        return;
    }
    m_controller.playFile(file);
}

void PlayerParts::FileChange()
{
    m_browser.FileChange();
    // In favourites mode the refresh leaves the folder tree alone: a quickly built one is completed here.
    if (m_clsDTree.quickBuild())
        m_clsDTree.Refresh();
}

std::optional<int> PlayerParts::volumeToStore() const
{
    // The RealAudio control's own volume, whichever control played last.
    return int(m_controller.realAudio().volume());
}

void PlayerParts::showFullScreen()
{
    m_controller.enterFullScreen();
}

// ---------------------------------------------------------------------------------------------------
// The settings window

void PlayerParts::setupSettingsConnections()
{
    m_window.mnuCfg()->setEnabled(true);
    connect(m_window.mnuCfg(), &QAction::triggered, this, &PlayerParts::mnuCfg_Click);
    // After OK the window has set the columns itself; the parts take the other settings up.
    connect(&m_settingsEditor, &SettingsEditor::settingsReloaded, this, [this] { takeSettings(false); });
    connect(&m_settingsEditor, &SettingsEditor::fileChangeRequested, this, &PlayerParts::FileChange);
}

void PlayerParts::mnuCfg_Click()
{
    frmCfg window(m_settingsEditor, &m_window);
    window.exec();
}

// ---------------------------------------------------------------------------------------------------
// The about and tips windows

void PlayerParts::setupInfoConnections()
{
    m_window.mnuAbout()->setEnabled(true);
    connect(m_window.mnuAbout(), &QAction::triggered, this, &PlayerParts::mnuAbout_Click);
}

void PlayerParts::mnuAbout_Click()
{
    frmAbout::showFor(&m_window);
}

void PlayerParts::showTips()
{
    frmPickup window(m_window.config().settings(), BasicRandom::instance(), &m_window);
    window.exec();
}

// ---------------------------------------------------------------------------------------------------
// The desktop: a second copy's file, media keys, screen saver

void PlayerParts::setupDesktopConnections()
{
    m_desktop = std::make_unique<PlayerDesktop>(*this, m_window);
}

void PlayerParts::setupExtrasConnections()
{
    m_extras = std::make_unique<PlayerExtras>(*this, m_window);
}

void PlayerParts::singleCopyHeld()
{
    m_desktop->listenForSecondCopies();
}

// ---------------------------------------------------------------------------------------------------
// Playback and the picture

void PlayerParts::bindVideoWindow()
{
    m_window.videoArea()->installEventFilter(this);
}

void PlayerParts::prepareVideoWindow()
{
    // The video area gets its window of the window system when the first clip is loaded: made before the
    // main window is first shown, it delays that showing noticeably.
    if (m_videoWindow != 0)
        return;
    m_videoWindow = m_window.videoArea()->winId();
    m_controller.setVideoWindows(m_videoWindow, m_videoWindow);
}

void PlayerParts::setupPlaybackConnections()
{
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
    m_window.transportBar().setVolume(value);
}

// ---------------------------------------------------------------------------------------------------
// Transport bar: buttons, position slider, time label, volume

void PlayerParts::setupTransportConnections()
{
    TransportBar& bar = m_window.transportBar();
    connect(&bar, &TransportBar::buttonDown, this, &PlayerParts::buttonDown);
    connect(&bar, &TransportBar::buttonUp, this, &PlayerParts::buttonUp);
    connect(&bar, &TransportBar::volumePanelClosed, this,
            [this] { m_tracker.setButtonPressed(PositionTracker::Volume, false); });
    connect(&m_tracker, &PositionTracker::buttonLookChanged, &bar, &TransportBar::setButtonLook);

    connect(&m_tracker, &PositionTracker::sliderMaximumChanged, &bar, &TransportBar::setPositionMaximum);
    connect(&m_tracker, &PositionTracker::sliderValueChanged, &bar, &TransportBar::setPosition);
    connect(&m_tracker, &PositionTracker::timeTextChanged, &bar, &TransportBar::setTimeText);
    connect(&bar, &TransportBar::positionPressed, &m_tracker, &PositionTracker::sliderPressed);
    connect(&bar, &TransportBar::positionScrolled, &m_tracker, &PositionTracker::sliderScrolled);
    connect(&bar, &TransportBar::positionReleased, this, [this] {
        if (m_tracker.SliderDragging())
            m_tracker.sliderReleased();
    });
    bar.setTimeText(m_tracker.timeText());

    connect(&bar, &TransportBar::volumeChanged, &m_controller, &PlaybackController::setVolume);
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
        m_window.transportBar().setVolumePanelVisible(true);
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
        m_extras->stopRequested();
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
// Update check: "最新バージョンを取得" opens the update window modally over the main window; it runs one
// check and closes itself.

void PlayerParts::setupUpdateConnections()
{
    m_window.mnuUpdate()->setEnabled(true);
    connect(m_window.mnuUpdate(), &QAction::triggered, this, [this] { frmUpdate(&m_window).exec(); });
}

// ---------------------------------------------------------------------------------------------------
// Keys

void PlayerParts::setupKeyConnections()
{
    qApp->installEventFilter(this);
}

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

// ---------------------------------------------------------------------------------------------------
// Favourites: the favourites tree in the folder tree's place, the mode switch, the folder chooser and the
// favourites manager

void PlayerParts::setupFavouritesConnections()
{
    m_favouritesMode.setFolderChooser([this] { return frmFaFolder::choose(m_favourites.list(), &m_window); });
    QTreeWidget* tree = m_window.treFa();
    // Open and organise are always there; add and remove follow the mode (updateFavouritesMenu).
    m_window.mnuFaOpen()->setEnabled(true);
    m_window.mnuFaEdit()->setEnabled(true);

    connect(m_window.mnuFaOpen(), &QAction::triggered, this, [this] { m_favouritesMode.mnuFaOpen_Click(); });
    connect(m_window.mnuFaEdit(), &QAction::triggered, this, &PlayerParts::mnuFaEdit_Click);
    connect(m_window.mnuFaAdd(), &QAction::triggered, this, [this] { m_favouritesMode.mnuFaAdd_Click(); });
    connect(m_window.mnuFaDel(), &QAction::triggered, this, [this] { m_favouritesMode.mnuFaDel_Click(); });
    connect(&m_file1, &FileListView::addToFavouritesRequested, this,
            [this] { m_favouritesMode.mnuFaAdd_Click(); });
    connect(&m_file1, &FileListView::removeFromFavouritesRequested, this,
            [this] { m_favouritesMode.mnuFaDel_Click(); });
    connect(m_window.mnuView(), &QMenu::aboutToShow, this, &PlayerParts::updateFavouritesMenu);

    connect(&m_favouritesMode, &FavouritesMode::nodesChanged, this, [this, tree] {
        QStringList nodes;
        for (int node = 1; node < m_favouritesMode.nodeCount(); ++node)
            nodes << m_favouritesMode.nodeText(node);
        FavouritesTree::sync(tree, nodes, /*editable=*/false);
        FavouritesTree::selectNode(tree, m_favouritesMode.selectedNode());
    });
    connect(&m_favouritesMode, &FavouritesMode::selectedNodeChanged, this,
            [tree](int node) { FavouritesTree::selectNode(tree, node); });
    connect(tree, &QTreeWidget::itemClicked, this, [this, tree](QTreeWidgetItem* item) {
        const int node = FavouritesTree::nodeOf(tree, item);
        if (node >= 0)
            m_favouritesMode.treFa_NodeClick(node);
    });
    connect(&m_favouritesMode, &FavouritesMode::modeChanged, this, &PlayerParts::favouritesModeChanged);
    updateFavouritesMenu();
}

void PlayerParts::favouritesModeChanged(bool on)
{
    m_file1.setLabelEditAutomatic(!on);
    // A full path too long for its column keeps its file name in view.
    m_window.FILE1()->setTextElideMode(on ? Qt::ElideMiddle : Qt::ElideRight);
    updateFavouritesMenu();
    m_window.tvwDir()->setVisible(!on);
    m_window.folderLabel()->setVisible(!on);
    m_window.treFa()->setVisible(on);
    m_window.lblFa()->setVisible(on);
    m_window.applyLayout();
    // The clip playing from the other list is held, never advanced.
    m_controller.holdForSourceSwitch();
}

void PlayerParts::updateFavouritesMenu()
{
    const FavouritesMode::MenuState state = m_favouritesMode.viewMenuState();
    m_window.mnuFaOpen()->setChecked(state.openChecked);
    m_window.mnuFaAdd()->setEnabled(state.addEnabled);
    m_window.mnuFaDel()->setEnabled(state.delEnabled);
}

void PlayerParts::mnuFaEdit_Click()
{
    const PlayerSettings& s = m_window.config().settings();
    frmFa window(m_favourites, s.FileExt, s.ExtList, &m_window);
    window.exec();
    // The main window's tree shows what the user organised.
    m_favouritesMode.rebuildNodes();
}

void PlayerParts::loadFavourites()
{
    m_favouritesMode.refresh();
}

void PlayerParts::enterFavouritesMode()
{
    if (!m_favouritesMode.FaFlg())
        m_favouritesMode.mnuFaOpen_Click();
}

} // namespace vello
