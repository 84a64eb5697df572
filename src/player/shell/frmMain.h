// The player's main window: controls, menus, layout, start-up (Form_Load) and shutdown (Form_Unload).
#pragma once

#include "ConfigHost.h"
#include "M_Config.h"
#include "MainLayout.h"
#include "MainWindowParts.h"
#include "SingleInstance.h"
#include "WindowStateStore.h"

#include <QMainWindow>
#include <QStringList>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;

namespace vello {

class FolderPathLabel;
class TransportBar;
class frmSizeChange;

class frmMain : public QMainWindow, public ConfigHost
{
    Q_OBJECT

public:
    enum class StartResult
    {
        Running,         ///< the window is (or will be) shown; run the event loop
        AnotherCopyRuns, ///< end the process at once; nothing was shown, read or written
    };

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    /// The parts the window calls during start-up, shutdown and its commands (not owned; null restores
    /// the default, which does nothing). Must outlive the window or be reset.
    void setParts(MainWindowParts* parts);
    /// The text after the program name on the command line (played at start when not empty).
    void setCommandLine(const QString& text) { m_commandLine = text; }

    /// The whole start-up sequence. Call once, before the event loop. When it returns Running the caller
    /// shows the window (it is already shown unless the start-up was abandoned early).
    StartResult Form_Load();
    /// When set (the program sets it; the default is off), Form_Load ends with showing the window and
    /// leaves the command-line file, the refresh and the tips to the event loop: they run as soon as
    /// the window's first exposure has been painted (at once when no exposure is to come).
    void setWindowFirst(bool on) { m_windowFirst = on; }
    bool windowFirst() const { return m_windowFirst; }
    /// True while the start-up's last steps wait for the window to appear.
    bool startupPending() const { return m_startupRestPending; }
    /// Each time the window becomes active: topmost when TopMost is on.
    void Form_Activate();
    /// Saves the window state; runs once, when the window closes. Every step runs even if others fail.
    void Form_Unload();

    M_Config& config() { return m_config; }
    /// The folder history shown in the File menu, entries 1..5 at indexes 0..4, newest first.
    const std::array<QString, 5>& folderHistory() const { return m_folderHistory; }
    /// Replaces the history (missing entries keep their text) and updates the menu.
    void setFolderHistory(const QStringList& entries);
    const QString& systemDriveRoot() const { return m_systemDriveRoot; }

    /// Twips per pixel of this window's screen (15 at 96 dpi).
    double twipsPerPixel() const;
    int toPixels(double twips) const;
    int toTwips(int pixels) const;

    /// Outer size in twips as the layout rules and the window-state store use it.
    QSize outerTwips() const;
    /// Resizes the window to an outer size in twips.
    void setOuterTwips(double widthTwips, double heightTwips);

    const MainLayout& layoutTwips() const { return m_layout; }
    void SetSplitter(double positionTwips);
    /// While set, size changes do not run the layout rules.
    void setLayoutSuppressed(bool suppressed) { m_layoutSuppressed = suppressed; }
    bool layoutSuppressed() const { return m_layoutSuppressed; }
    /// Moves every control to the rectangles of layoutTwips().
    void applyLayout();

    /// Full-screen display of the video area: the window goes full screen with only the video area
    /// visible (menu bar hidden; the menu shortcuts still work). Off restores the window state and the
    /// layout. "最大化(&F)" losing its check mark switches it off.
    void setVideoFullScreen(bool on);
    bool videoFullScreen() const { return m_videoFullScreen; }

    /// The magnification window, created on first use (owned by this window); null before.
    frmSizeChange* sizeWindow() const { return m_sizeWindow; }
    /// Full path of the help document: program folder + "VELLOPLAYER.html".
    static QString helpFile();

    /// File-list column width in twips (0 = hidden) and its setter; column 0..3.
    int columnTwips(int column) const;
    /// Width in twips that fits column's caption, its listed texts and its usual longest text.
    int fittedColumnTwips(int column) const;
    void setColumnTwips(int column, int twips);

    /// Sets the captions of log(1..5) to the history entries.
    void UpdateHistoryMenu();

    // Controls.
    QWidget* fraFileList() const { return m_fraFileList; }
    FolderPathLabel* folderLabel() const { return m_folderLabel; }
    QLabel* lblFa() const { return m_lblFa; }
    QTreeWidget* tvwDir() const { return m_tvwDir; }
    QTreeWidget* treFa() const { return m_treFa; }
    QTreeWidget* FILE1() const { return m_FILE1; }
    QWidget* imgSplitter() const { return m_imgSplitter; }
    QWidget* picSplitter() const { return m_picSplitter; }
    /// The video area of both players (native window, black); the players embed into its window id.
    QWidget* videoArea() const { return m_videoArea; }
    QLabel* lblTitle() const { return m_lblTitle; }
    /// The eight buttons, position slider, time label and volume panel.
    TransportBar& transportBar() const { return *m_transport; }

    // Menu items.
    QMenu* mnuFile() const { return m_mnuFile; }
    QMenu* mnuView() const { return m_mnuView; }
    QMenu* mnuHelp() const { return m_mnuHelp; }
    QAction* mnuEdit() const { return m_mnuEdit; }
    QAction* mnuCfg() const { return m_mnuCfg; }
    /// "前回の続きから再生(&L)" and "表示中の画像を保存(&P)" (Shift+S).
    QAction* mnuResume() const { return m_mnuResume; }
    QAction* mnuSavePicture() const { return m_mnuSavePicture; }
    /// History entries, index 1..5.
    QAction* log(int index) const { return m_log.at(index - 1); }
    QAction* mnuClear() const { return m_mnuClear; }
    QAction* mnuExit() const { return m_mnuExit; }
    QMenu* mnuFa() const { return m_mnuFa; }
    QAction* mnuFaOpen() const { return m_mnuFaOpen; }
    QAction* mnuFaEdit() const { return m_mnuFaEdit; }
    QAction* mnuFaAdd() const { return m_mnuFaAdd; }
    QAction* mnuFaDel() const { return m_mnuFaDel; }
    QAction* mnuViewFull() const { return m_mnuViewFull; }
    QAction* mnuViewOri() const { return m_mnuViewOri; }
    QAction* mnuViewSize() const { return m_mnuViewSize; }
    /// "再生速度(&P)": faster (]), slower ([) and back to normal (Backspace).
    QMenu* mnuSpeed() const { return m_mnuSpeed; }
    QAction* mnuSpeedUp() const { return m_mnuSpeedUp; }
    QAction* mnuSpeedDown() const { return m_mnuSpeedDown; }
    QAction* mnuSpeedNormal() const { return m_mnuSpeedNormal; }
    QAction* mnuShortcut() const { return m_mnuShortcut; }
    QAction* mnuHelpContents() const { return m_mnuHelpContents; }
    QAction* mnuAbout() const { return m_mnuAbout; }
    QAction* mnuUpdate() const { return m_mnuUpdate; }

    // ConfigHost
    void hideMainWindow() override;
    void showMainWindow() override;
    void setColumnWidths(int titleTwips, int dateTwips, int sizeTwips) override;
    void applyTopMost(bool topMost) override;
    void applyFixedRatio(bool fixedRatio) override;
    bool keepsAspectRatio() const { return m_keepAspect; }

public slots:
    void mnuEdit_Click();
    void log_Click(int index);
    void mnuClear_Click();
    void mnuExit_Click();
    void mnuViewFull_Click();
    void mnuViewOri_Click();
    void mnuViewSize_Click();
    void mnuShortcut_Click();
    void mnuHelp_Click();

signals:
    /// The start-up has run its last step (the window is shown and refreshed): the program offers its
    /// desktop services from here.
    void startupFinished();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createControls();
    void createMenus();

    // Start-up steps, in the order Form_Load runs them; the stretches that abandon to the tips throw
    // AppException.
    void startupReadSystemDrive();
    bool startupSingleCopy();
    void startupLoadConfig();
    void startupLoadFavourites();
    void startupLoadHistory();
    void startupFolderTree();
    void startupStartFolder();
    void startupFillFileList();
    void startupRestoreWindow();
    void startupTitle();
    void startupSplitter();
    void startupVolume();
    void startupFixedRatio();
    void startupColumnWidths();
    void startupCommandLine();
    void startupRefresh();
    void startupTips();
    /// The steps after the window has been shown: command-line file, refresh, tips.
    void startupRest();

    void keepAspect();
    /// The available area of the window's screen, in twips.
    QSize screenOuterTwips() const;

    M_Config m_config;
    std::array<QString, 5> m_folderHistory;
    MainWindowParts m_noParts;
    MainWindowParts* m_parts = &m_noParts;
    WindowStateStore m_store;
    SingleInstance m_instance;
    MainLayout m_layout;
    QString m_systemDriveRoot;
    QString m_commandLine;
    bool m_layoutSuppressed = false;
    bool m_keepAspect = false;
    bool m_adjustingAspect = false;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_videoFullScreen = false;
    bool m_exposeLogged = false;
    bool m_windowFirst = false;
    bool m_startupRestPending = false;
    Qt::WindowStates m_statesBeforeFullScreen;
    QSize m_outerBeforeFullScreen;
    /// The outer size last asked for in twips and the client size in pixels it gave; while the client
    /// keeps that pixel size, outerTwips() reports the asked size exactly (no pixel rounding).
    QSize m_requestedOuter;
    QSize m_requestedClientPixels;
    frmSizeChange* m_sizeWindow = nullptr;

    QWidget* m_client = nullptr;
    QWidget* m_fraFileList = nullptr;
    FolderPathLabel* m_folderLabel = nullptr;
    QLabel* m_lblFa = nullptr;
    QTreeWidget* m_tvwDir = nullptr;
    QTreeWidget* m_treFa = nullptr;
    QTreeWidget* m_FILE1 = nullptr;
    QWidget* m_imgSplitter = nullptr;
    QWidget* m_picSplitter = nullptr;
    QWidget* m_videoArea = nullptr;
    QLabel* m_lblTitle = nullptr;
    TransportBar* m_transport = nullptr;

    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuView = nullptr;
    QMenu* m_mnuHelp = nullptr;
    QMenu* m_mnuFa = nullptr;
    QAction* m_mnuEdit = nullptr;
    QAction* m_mnuCfg = nullptr;
    QAction* m_mnuResume = nullptr;
    QAction* m_mnuSavePicture = nullptr;
    std::array<QAction*, 5> m_log{};
    QAction* m_mnuClear = nullptr;
    QAction* m_mnuExit = nullptr;
    QAction* m_mnuFaOpen = nullptr;
    QAction* m_mnuFaEdit = nullptr;
    QAction* m_mnuFaAdd = nullptr;
    QAction* m_mnuFaDel = nullptr;
    QAction* m_mnuViewFull = nullptr;
    QAction* m_mnuViewOri = nullptr;
    QAction* m_mnuViewSize = nullptr;
    QMenu* m_mnuSpeed = nullptr;
    QAction* m_mnuSpeedUp = nullptr;
    QAction* m_mnuSpeedDown = nullptr;
    QAction* m_mnuSpeedNormal = nullptr;
    QAction* m_mnuShortcut = nullptr;
    QAction* m_mnuHelpContents = nullptr;
    QAction* m_mnuAbout = nullptr;
    QAction* m_mnuUpdate = nullptr;
};

} // namespace vello
