#include "frmMain.h"

#include "AppError.h"
#include "ButtonArt.h"
#include "FolderPathLabel.h"
#include "Helpers.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"
#include "ShortcutList.h"
#include "TransportBar.h"
#include "VelloVersion.h"
#include "WindowPos.h"
#include "frmSizeChange.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace vello {

namespace {

/// How long the start-up's last steps wait for the window's first exposure before they run anyway.
constexpr int kExposeWaitMs = 1000;

const QString ProgramTitle = QStringLiteral("Velloplayer");

AppError typeMismatch()
{
    return AppError{QStringLiteral("型が一致しません。"), errors::TypeMismatch, ProgramTitle};
}

/// Runs one statement whose error skips it (the start-up, shutdown and commands go on); the error is
/// logged.
template <typename F> void skipOnError(F&& step)
{
    try {
        step();
    } catch (const AppException& e) {
        qCInfo(lcError).noquote() << "main window: step skipped:" << e.error().description
                                  << e.error().number;
    } catch (const std::exception& e) {
        qCInfo(lcError) << "main window: step skipped:" << e.what();
    }
}

/// A stored window size or position: a finite number within what a window can take (twips).
double windowNumber(const QString& text)
{
    if (!WindowStateStore::isNumber(text))
        throw AppException(typeMismatch());
    const double v = WindowStateStore::toNumber(text);
    if (std::fabs(v) > 10'000'000.0)
        throw AppException(QStringLiteral("オーバーフローしました。"), 6, ProgramTitle);
    return v;
}

/// A whole number stored in the window-state store; throws the type-mismatch error otherwise.
int storedWhole(const QString& text)
{
    if (!isWholeNumber(text))
        throw AppException(typeMismatch());
    return text.trimmed().toInt();
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramTitle);
    m_config.setHost(this);
    m_folderHistory.fill(ProgramPaths::systemDriveRoot());
    createControls();
    createMenus();
    // A quit that does not close the window (session end) still saves the window state.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &frmMain::Form_Unload);

    const QSize client(toPixels(MainLayout::DesignClientWidth), toPixels(MainLayout::DesignClientHeight));
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
    move(toPixels(MainLayout::DesignLeft), toPixels(MainLayout::DesignTop));
    applyLayout();
}

frmMain::~frmMain() = default;

// ---------------------------------------------------------------------------------------------------
// Controls and menus

void frmMain::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    m_folderLabel = new FolderPathLabel(m_client);
    m_folderLabel->setObjectName(QStringLiteral("lblFolder"));

    m_lblFa = new QLabel(QStringLiteral("お気に入り"), m_client);
    m_lblFa->setObjectName(QStringLiteral("lblFa"));
    m_lblFa->hide();

    m_fraFileList = new QWidget(m_client);
    m_fraFileList->setObjectName(QStringLiteral("fraFileList"));

    m_tvwDir = new QTreeWidget(m_fraFileList);
    m_tvwDir->setObjectName(QStringLiteral("tvwDir"));
    m_tvwDir->setHeaderHidden(true);

    m_treFa = new QTreeWidget(m_fraFileList);
    m_treFa->setObjectName(QStringLiteral("treFa"));
    m_treFa->setHeaderHidden(true);
    m_treFa->hide();

    m_FILE1 = new QTreeWidget(m_fraFileList);
    m_FILE1->setObjectName(QStringLiteral("FILE1"));
    m_FILE1->setColumnCount(4);
    m_FILE1->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("タイトル"), QStringLiteral("更新日時"),
                              QStringLiteral("サイズ")});
    m_FILE1->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    m_FILE1->setRootIsDecorated(false);
    m_FILE1->setUniformRowHeights(true);
    m_FILE1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_FILE1->header()->setStretchLastSection(false);
    m_FILE1->header()->setMinimumSectionSize(1);
    setColumnTwips(0, 1764);
    setColumnTwips(1, 1440);
    setColumnTwips(2, 1549);
    setColumnTwips(3, 1000);

    m_videoArea = new QWidget(m_client);
    m_videoArea->setObjectName(QStringLiteral("videoArea"));
    // Made a window of the window system (the players draw into it) when the first clip is loaded.
    m_videoArea->setAttribute(Qt::WA_DontCreateNativeAncestors);
    m_videoArea->setAutoFillBackground(true);
    QPalette black = m_videoArea->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_videoArea->setPalette(black);

    m_lblTitle = new QLabel(m_client);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    m_lblTitle->setTextFormat(Qt::PlainText);

    m_transport = new TransportBar(m_client, this);

    m_imgSplitter = new QWidget(m_client);
    m_imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    m_imgSplitter->setCursor(Qt::SplitHCursor);
    m_imgSplitter->installEventFilter(this);

    m_picSplitter = new QWidget(m_client);
    m_picSplitter->setObjectName(QStringLiteral("picSplitter"));
    m_picSplitter->setAutoFillBackground(true);
    QPalette grey = m_picSplitter->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_picSplitter->setPalette(grey);
    m_picSplitter->hide();
}

void frmMain::createMenus()
{
    const auto add = [this](QMenu* menu, const char* name, const QString& caption,
                            const QKeySequence& key = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };

    m_mnuFile = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuEdit =
        add(m_mnuFile, "mnuEdit", QStringLiteral("RMファイルの編集(&E)"), QKeySequence(Qt::CTRL | Qt::Key_E));
    m_mnuCfg = add(m_mnuFile, "mnuCfg", QStringLiteral("環境設定(&C)"), QKeySequence(Qt::Key_F3));
    m_mnuResume = add(m_mnuFile, "mnuResume", QStringLiteral("前回の続きから再生(&L)"));
    m_mnuSavePicture = add(m_mnuFile, "mnuSavePicture", QStringLiteral("表示中の画像を保存(&P)"),
                           QKeySequence(Qt::SHIFT | Qt::Key_S));
    m_mnuFile->addSeparator();
    static constexpr Qt::Key logKeys[5] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5};
    for (int i = 0; i < 5; ++i) {
        m_log[i] =
            add(m_mnuFile, "log", QStringLiteral("Log%1").arg(i + 1), QKeySequence(Qt::CTRL | logKeys[i]));
        m_log[i]->setObjectName(QStringLiteral("log_%1").arg(i + 1));
        connect(m_log[i], &QAction::triggered, this, [this, i] { log_Click(i + 1); });
    }
    m_mnuClear = add(m_mnuFile, "mnuClear", QStringLiteral("履歴のクリア(&R)"));
    m_mnuFile->addSeparator();
    m_mnuExit = add(m_mnuFile, "mnuExit", QStringLiteral("終了(&E)"));

    m_mnuView = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    m_mnuFa = m_mnuView->addMenu(QStringLiteral("お気に入り(&A)"));
    m_mnuFa->setObjectName(QStringLiteral("mnuFa"));
    m_mnuFaOpen =
        add(m_mnuFa, "mnuFaOpen", QStringLiteral("お気に入りモード(&O)"), QKeySequence(Qt::CTRL | Qt::Key_O));
    m_mnuFaOpen->setCheckable(true);
    m_mnuFaEdit =
        add(m_mnuFa, "mnuFaEdit", QStringLiteral("お気に入りの整理(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    m_mnuFa->addSeparator();
    m_mnuFaAdd = add(m_mnuFa, "mnuFaAdd", QStringLiteral("お気に入りに追加(A)"));
    m_mnuFaDel = add(m_mnuFa, "mnuFaDel", QStringLiteral("お気に入りから削除(&D)"));
    m_mnuViewFull = add(m_mnuView, "mnuViewFull", QStringLiteral("最大化(&F)"), QKeySequence(Qt::Key_F7));
    m_mnuViewFull->setCheckable(true);
    m_mnuViewOri =
        add(m_mnuView, "mnuViewOri", QStringLiteral("オリジナルサイズ(&O)"), QKeySequence(Qt::Key_F9));
    m_mnuViewOri->setCheckable(true);
    m_mnuViewSize = add(m_mnuView, "mnuViewSize", QStringLiteral("倍率変更(&B)"), QKeySequence(Qt::Key_F8));
    m_mnuSpeed = m_mnuView->addMenu(QStringLiteral("再生速度(&P)"));
    m_mnuSpeed->setObjectName(QStringLiteral("mnuSpeed"));
    m_mnuSpeedUp =
        add(m_mnuSpeed, "mnuSpeedUp", QStringLiteral("速くする(&U)"), QKeySequence(Qt::Key_BracketRight));
    m_mnuSpeedDown =
        add(m_mnuSpeed, "mnuSpeedDown", QStringLiteral("遅くする(&D)"), QKeySequence(Qt::Key_BracketLeft));
    m_mnuSpeedNormal = add(m_mnuSpeed, "mnuSpeedNormal", QStringLiteral("標準の速さに戻す(&N)"),
                           QKeySequence(Qt::Key_Backspace));
    m_mnuView->addSeparator();
    m_mnuShortcut = add(m_mnuView, "mnuShortcut", QStringLiteral("ショートカットキー一覧(&S)"));

    m_mnuHelp = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    m_mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m_mnuHelpContents = add(m_mnuHelp, "mnuHelpContents", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    m_mnuAbout = add(m_mnuHelp, "mnuAbout", QStringLiteral("バージョン情報(&A)"));
    m_mnuUpdate = add(m_mnuHelp, "mnuUpdate", QStringLiteral("最新バージョンを取得"));

    // The shortcuts stay in force while the menu bar is hidden (full-screen display).
    for (QAction* a : {m_mnuEdit, m_mnuCfg, m_log[0], m_log[1], m_log[2], m_log[3], m_log[4], m_mnuFaOpen,
                       m_mnuFaEdit, m_mnuViewFull, m_mnuViewOri, m_mnuViewSize, m_mnuSavePicture,
                       m_mnuSpeedUp, m_mnuSpeedDown, m_mnuSpeedNormal})
        addAction(a);
    connect(m_mnuViewFull, &QAction::toggled, this, [this](bool checked) {
        if (!checked)
            setVideoFullScreen(false);
    });

    connect(m_mnuEdit, &QAction::triggered, this, &frmMain::mnuEdit_Click);
    connect(m_mnuClear, &QAction::triggered, this, &frmMain::mnuClear_Click);
    connect(m_mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(m_mnuViewFull, &QAction::triggered, this, &frmMain::mnuViewFull_Click);
    connect(m_mnuViewOri, &QAction::triggered, this, &frmMain::mnuViewOri_Click);
    connect(m_mnuViewSize, &QAction::triggered, this, &frmMain::mnuViewSize_Click);
    connect(m_mnuShortcut, &QAction::triggered, this, &frmMain::mnuShortcut_Click);
    connect(m_mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelp_Click);
    // Offered only once the parts that carry them (settings, favourites, about, update, playback) connect
    // them.
    for (QAction* a : {m_mnuCfg, m_mnuFaOpen, m_mnuFaEdit, m_mnuFaAdd, m_mnuFaDel, m_mnuAbout, m_mnuUpdate,
                       m_mnuResume, m_mnuSavePicture, m_mnuSpeedUp, m_mnuSpeedDown, m_mnuSpeedNormal})
        a->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------------
// Units and layout

double frmMain::twipsPerPixel() const
{
    const int dpi = logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int frmMain::toPixels(double twips) const
{
    const qint64 px = roundHalfEven(twips / twipsPerPixel());
    return static_cast<int>(std::clamp<qint64>(px, -1000000, 1000000));
}

int frmMain::toTwips(int pixels) const
{
    return static_cast<int>(roundHalfEven(pixels * twipsPerPixel()));
}

QSize frmMain::outerTwips() const
{
    // A hidden window gets its resize events only when shown: until then its client area is the window
    // less the menu bar, as setOuterTwips sized it.
    QSize client = m_client->size();
    if (!isVisible())
        client = QSize(width(), height() - menuBar()->sizeHint().height());
    if (!m_requestedOuter.isEmpty() && client == m_requestedClientPixels)
        return m_requestedOuter;
    return MainLayout::outerFromClient(QSize(toTwips(client.width()), toTwips(client.height())));
}

void frmMain::setOuterTwips(double widthTwips, double heightTwips)
{
    const int width = toPixels(widthTwips - MainLayout::FrameWidth);
    const int height = toPixels(heightTwips - MainLayout::FrameHeight);
    m_requestedOuter = QSize(int(roundHalfEven(widthTwips)), int(roundHalfEven(heightTwips)));
    m_requestedClientPixels = QSize(qMax(width, 1), qMax(height, 1));
    resize(qMax(width, 1), qMax(height, 1) + menuBar()->sizeHint().height());
    if (!isVisible() && !m_layoutSuppressed) {
        // No resize event reaches a hidden window: lay out now, so the splitter limits use this size.
        const QSize outer = outerTwips();
        m_layout.sizeChanged(outer.width(), outer.height());
        applyLayout();
    }
}

void frmMain::SetSplitter(double positionTwips)
{
    m_layout.SetSplitter(positionTwips);
    applyLayout();
    m_imgSplitter->unsetCursor();
    m_imgSplitter->setCursor(Qt::SplitHCursor);
}

void frmMain::applyLayout()
{
    const auto place = [this](QWidget* w, const QRect& r) {
        w->setGeometry(toPixels(r.left()), toPixels(r.top()), qMax(toPixels(r.width()), 0),
                       qMax(toPixels(r.height()), 0));
    };
    const MainLayout& l = m_layout;
    place(m_folderLabel, l.lblFolder);
    place(m_lblFa, l.lblFa);
    place(m_fraFileList, l.fraFileList);
    place(m_tvwDir, l.tvwDir);
    place(m_treFa, l.treFa);
    place(m_FILE1, l.FILE1);
    place(m_imgSplitter, l.imgSplitter);
    place(m_picSplitter, l.picSplitter);
    place(m_videoArea, l.RA);
    place(m_lblTitle, l.lblTitle);
    m_transport->place(l, [this](const QRect& r) {
        return QRect(toPixels(r.left()), toPixels(r.top()), qMax(toPixels(r.width()), 0),
                     qMax(toPixels(r.height()), 0));
    });
    m_picSplitter->setVisible(l.splitterBarVisible());
    if (l.splitterBarVisible())
        m_picSplitter->raise();
}

int frmMain::columnTwips(int column) const
{
    if (m_FILE1->header()->isSectionHidden(column))
        return 0;
    return toTwips(m_FILE1->header()->sectionSize(column));
}

void frmMain::setColumnTwips(int column, int twips)
{
    const int px = toPixels(twips);
    QHeaderView* header = m_FILE1->header();
    if (px <= 0) {
        header->setSectionHidden(column, true);
        return;
    }
    header->setSectionHidden(column, false);
    header->resizeSection(column, px);
}

int frmMain::fittedColumnTwips(int column) const
{
    // The widest of the caption, the listed texts and a text of the column's longest usual form (a date,
    // a size of a few gigabytes), with the margins the list draws around a text.
    static const QString widest[4] = {QStringLiteral("MMMMMMMM.rm"), QString(),
                                      QStringLiteral("0000/00/00 00:00:00"), QStringLiteral("9999999KB")};
    const QFontMetrics metrics(m_FILE1->font());
    const int margin =
        2 * (m_FILE1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_FILE1) + 3);
    int pixels = m_FILE1->header()->sectionSizeHint(column);
    pixels = std::max(pixels, metrics.horizontalAdvance(widest[column]) + margin);
    for (int row = 0; row < m_FILE1->topLevelItemCount(); ++row)
        pixels =
            std::max(pixels, metrics.horizontalAdvance(m_FILE1->topLevelItem(row)->text(column)) + margin);
    return toTwips(pixels);
}

void frmMain::UpdateHistoryMenu()
{
    for (int i = 0; i < 5; ++i)
        m_log[i]->setText(displayPath(m_folderHistory[size_t(i)]));
}

void frmMain::setFolderHistory(const QStringList& entries)
{
    for (int i = 0; i < int(m_folderHistory.size()) && i < entries.size(); ++i)
        m_folderHistory[size_t(i)] = entries.at(i);
    UpdateHistoryMenu();
}

void frmMain::setParts(MainWindowParts* parts)
{
    m_parts = parts ? parts : &m_noParts;
}

// ---------------------------------------------------------------------------------------------------
// Start-up

frmMain::StartResult frmMain::Form_Load()
{
    if (m_loaded)
        return StartResult::Running;
    m_loaded = true;

    const auto abandon = [this](const AppException& e) {
        MessageService::standardError(e.error());
        startupTips();
        emit startupFinished();
        return StartResult::Running;
    };

    try {
        startupReadSystemDrive();
        if (!startupSingleCopy())
            return StartResult::AnotherCopyRuns;
        startupLoadConfig();
        startupLoadFavourites();
        startupLoadHistory();
    } catch (const AppException& e) {
        return abandon(e);
    }

    skipOnError([this] { startupFolderTree(); });
    skipOnError([this] { startupStartFolder(); });
    skipOnError([this] { startupFillFileList(); });

    try {
        startupRestoreWindow();
        startupTitle();
    } catch (const AppException& e) {
        return abandon(e);
    }

    skipOnError([this] { startupSplitter(); });
    skipOnError([this] { startupVolume(); });

    try {
        startupFixedRatio();
    } catch (const AppException& e) {
        return abandon(e);
    }

    skipOnError([this] { startupColumnWidths(); });
    if (m_windowFirst) {
        // The window appears first; what follows runs from the event loop once it has been painted (a
        // window that will not be exposed, minimised or hidden, does not wait for it).
        m_startupRestPending = true;
        show();
        if (m_exposeLogged || !windowHandle() || isMinimized() || !isVisible())
            QTimer::singleShot(0, this, &frmMain::startupRest);
        else
            QTimer::singleShot(kExposeWaitMs, this, &frmMain::startupRest);
        return StartResult::Running;
    }
    skipOnError([this] { startupCommandLine(); });
    show();
    skipOnError([this] { startupRefresh(); });
    startupTips();
    emit startupFinished();
    return StartResult::Running;
}

void frmMain::startupRest()
{
    if (!std::exchange(m_startupRestPending, false) || m_unloaded)
        return;
    skipOnError([this] { startupCommandLine(); });
    skipOnError([this] { startupRefresh(); });
    startupTips();
    emit startupFinished();
}

void frmMain::startupReadSystemDrive()
{
    m_systemDriveRoot = ProgramPaths::systemDriveRoot().left(3);
}

bool frmMain::startupSingleCopy()
{
    if (!m_instance.acquire())
        return false;
    m_parts->singleCopyHeld();
    return true;
}

void frmMain::startupLoadConfig()
{
    m_config.LoadConfig();
    skipOnError([this] { m_parts->settingsLoaded(); });
}

void frmMain::startupLoadFavourites()
{
    m_parts->loadFavourites();
}

void frmMain::startupLoadHistory()
{
    for (int i = 0; i < 5; ++i) {
        const auto stored = m_store.value(QStringLiteral("PATH%1").arg(i + 1));
        m_folderHistory[size_t(i)] = stored ? *stored : m_systemDriveRoot;
    }
    UpdateHistoryMenu();
}

void frmMain::startupFolderTree()
{
    m_parts->SetValue();
}

void frmMain::startupStartFolder()
{
    const PlayerSettings& s = m_config.settings();
    switch (s.DefaultDir) {
    case 0:
        m_parts->enterFavouritesMode();
        break;
    case 1:
        m_parts->setFolder(m_folderHistory[0]);
        break;
    case 2:
        m_parts->setFolder(s.DefaultDirPath.isEmpty() ? m_systemDriveRoot : s.DefaultDirPath);
        break;
    default:
        break;
    }
}

void frmMain::startupFillFileList()
{
    m_parts->FillFileList();
}

void frmMain::startupRestoreWindow()
{
    const QSize current = outerTwips();
    const auto width = m_store.value(QStringLiteral("WIDTH"));
    const auto height = m_store.value(QStringLiteral("HEIGHT"));
    const double w = width ? windowNumber(*width) : current.width();
    const double h = height ? windowNumber(*height) : current.height();
    if (w < 0 || h < 0)
        throw AppException(QStringLiteral("プロパティの値が不正です。"), 380, ProgramTitle);
    // Never larger than the screen the window opens on, so its edges and buttons stay reachable.
    const QSize screenTwips = screenOuterTwips();
    setOuterTwips(std::min(w, double(screenTwips.width())), std::min(h, double(screenTwips.height())));

    const auto top = m_store.value(QStringLiteral("TOP"));
    const auto left = m_store.value(QStringLiteral("LEFT"));
    if (top || left) {
        const double y = top ? windowNumber(*top) : toTwips(pos().y());
        const double x = left ? windowNumber(*left) : toTwips(pos().x());
        move(toPixels(x), toPixels(y));
    }

    const auto stateText = m_store.value(QStringLiteral("STATE"));
    const int state = stateText ? storedWhole(*stateText) : 0;
    switch (state) {
    case 0:
        setWindowState(Qt::WindowNoState);
        break;
    case 1:
        setWindowState(Qt::WindowMinimized);
        break;
    case 2:
        setWindowState(Qt::WindowMaximized);
        break;
    default:
        throw AppException(QStringLiteral("プロパティの値が不正です。"), 380, ProgramTitle);
    }
}

QSize frmMain::screenOuterTwips() const
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return QSize(std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
    const QSize available = s->availableGeometry().size();
    return QSize(toTwips(available.width()), toTwips(available.height()));
}

void frmMain::startupTitle()
{
    setWindowTitle(ProgramTitle + u' ' + QStringLiteral(VELLO_VERSION_STRING));
}

void frmMain::startupSplitter()
{
    const QString pain = m_store.text(QStringLiteral("PAIN"));
    if (WindowStateStore::isNumber(pain))
        SetSplitter(WindowStateStore::toNumber(pain));
}

void frmMain::startupVolume()
{
    const QString volume = m_store.text(QStringLiteral("VOLUME"));
    if (!WindowStateStore::isNumber(volume))
        return;
    const qint64 v = roundHalfEven(WindowStateStore::toNumber(volume));
    m_transport->setVolume(static_cast<int>(std::clamp<qint64>(v, 0, 100)));
    m_parts->applyVolume(m_transport->volume());
}

void frmMain::startupFixedRatio()
{
    m_config.FixedRatioSwitch();
}

void frmMain::startupColumnWidths()
{
    const PlayerSettings& s = m_config.settings();
    // Each column is one statement: a malformed stored width leaves that column as it is.
    const auto column = [this](int index, const QString& key, bool on, int fallback) {
        skipOnError([&] {
            if (!on) {
                setColumnTwips(index, 0);
                return;
            }
            const QString stored = m_store.text(key);
            setColumnTwips(index, stored.isEmpty() ? fallback : storedWhole(stored));
        });
    };
    skipOnError([&] {
        const QString name = m_store.text(QStringLiteral("FILE_NAME"));
        setColumnTwips(0, name.isEmpty() ? fittedColumnTwips(0) : storedWhole(name));
    });
    // Without a stored width (the first start) a column fits its contents at the list's font.
    column(1, QStringLiteral("FILE_TITLE"), s.FileTitle != 0, M_Config::titleColumnTwips(1));
    column(2, QStringLiteral("FILE_DATE"), s.FileDateTime != 0, fittedColumnTwips(2));
    column(3, QStringLiteral("FILE_SIZE"), s.FileSize != 0, fittedColumnTwips(3));
}

void frmMain::startupCommandLine()
{
    if (!m_commandLine.isEmpty())
        m_parts->playCommandLine(m_commandLine);
}

void frmMain::startupRefresh()
{
    m_parts->FileChange();
}

void frmMain::startupTips()
{
    if (m_config.settings().Pickup != 0)
        return;
    skipOnError([this] { m_parts->showTips(); });
}

// ---------------------------------------------------------------------------------------------------
// Activation and shutdown

void frmMain::Form_Activate()
{
    if (m_config.settings().TopMost == 0)
        return;
    WindowPos pos;
    pos.setInsertAfter(WindowPos::Topmost);
    pos.setWindow(this);
    pos.setFlags(83);
    pos.Apply(0, 0, 0, 0);
}

void frmMain::Form_Unload()
{
    if (m_unloaded || !m_loaded || !m_instance.held())
        return;
    m_unloaded = true;

    for (int i = 0; i < 5; ++i)
        skipOnError(
            [&] { m_store.setValue(QStringLiteral("PATH%1").arg(i + 1), m_folderHistory[size_t(i)]); });

    // In the full-screen display the window keeps the state and size it had before it.
    const Qt::WindowStates states = m_videoFullScreen ? m_statesBeforeFullScreen : windowState();
    skipOnError([&] {
        int state = 0;
        if (states.testFlag(Qt::WindowMinimized))
            state = 1;
        else if (states.testFlag(Qt::WindowMaximized))
            state = 2;
        m_store.setNumber(QStringLiteral("STATE"), state);
    });
    skipOnError([&] {
        const QSize outer = m_videoFullScreen ? m_outerBeforeFullScreen : outerTwips();
        const int shrink = states.testFlag(Qt::WindowMaximized) ? 500 : 0;
        m_store.setNumber(QStringLiteral("WIDTH"), outer.width() - shrink);
        m_store.setNumber(QStringLiteral("HEIGHT"), outer.height() - shrink);
    });
    skipOnError([&] { m_store.setNumber(QStringLiteral("PAIN"), m_layout.splitterPosition()); });
    skipOnError([&] {
        const int volume = m_parts->volumeToStore().value_or(m_transport->volume());
        m_store.setNumber(QStringLiteral("VOLUME"), volume);
    });
    static const char* const columnKeys[4] = {"FILE_NAME", "FILE_TITLE", "FILE_DATE", "FILE_SIZE"};
    for (int i = 0; i < 4; ++i)
        skipOnError([&] { m_store.setNumber(QString::fromLatin1(columnKeys[i]), columnTwips(i)); });
    m_store.sync();
}

bool frmMain::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    if (e->type() == QEvent::Show && !m_exposeLogged && windowHandle())
        windowHandle()->installEventFilter(this);
    return QMainWindow::event(e);
}

void frmMain::closeEvent(QCloseEvent* e)
{
    Form_Unload();
    e->accept();
}

void frmMain::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    if (m_keepAspect)
        keepAspect();
}

void frmMain::keepAspect()
{
    if (m_adjustingAspect ||
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QSize proposed = outerTwips();
    const QSize adjusted = m_config.aspectRatio().adjust(proposed);
    if (adjusted == proposed)
        return;
    m_adjustingAspect = true;
    setOuterTwips(adjusted.width(), adjusted.height());
    m_adjustingAspect = false;
}

bool frmMain::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == windowHandle() && e->type() == QEvent::Expose && windowHandle()->isExposed() &&
        !m_exposeLogged) {
        // The start-up benchmark waits for this line.
        m_exposeLogged = true;
        windowHandle()->removeEventFilter(this);
        qCInfo(lcShell) << "window shown";
        // Queued: the rest of the start-up runs after this exposure has been painted.
        if (m_startupRestPending)
            QMetaObject::invokeMethod(this, &frmMain::startupRest, Qt::QueuedConnection);
    }
    if (watched == m_client && e->type() == QEvent::Resize) {
        if (m_videoFullScreen) {
            m_videoArea->setGeometry(m_client->rect());
        } else if (!m_layoutSuppressed) {
            const QSize outer = outerTwips();
            m_layout.sizeChanged(outer.width(), outer.height());
            applyLayout();
        }
    } else if (watched == m_imgSplitter) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            m_layout.beginSplitterDrag();
            applyLayout();
            return true;
        case QEvent::MouseMove:
            if (m_layout.splitterDragging()) {
                const auto* mouse = static_cast<QMouseEvent*>(e);
                m_layout.moveSplitterDrag(toTwips(qRound(mouse->position().x())));
                applyLayout();
            }
            return true;
        case QEvent::MouseButtonRelease:
            if (m_layout.splitterDragging()) {
                m_layout.endSplitterDrag();
                applyLayout();
            }
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------------------------------
// ConfigHost

void frmMain::hideMainWindow()
{
    hide();
}

void frmMain::showMainWindow()
{
    show();
}

void frmMain::setColumnWidths(int titleTwips, int dateTwips, int sizeTwips)
{
    // A date or size column that is shown is at least as wide as its texts need, as on the first start.
    setColumnTwips(1, titleTwips);
    setColumnTwips(2, dateTwips > 0 ? std::max(dateTwips, fittedColumnTwips(2)) : 0);
    setColumnTwips(3, sizeTwips > 0 ? std::max(sizeTwips, fittedColumnTwips(3)) : 0);
}

void frmMain::applyTopMost(bool topMost)
{
    WindowPos pos;
    pos.setInsertAfter(topMost ? WindowPos::Topmost : WindowPos::NotTopmost);
    pos.setWindow(this);
    pos.setFlags(83);
    pos.Apply(0, 0, 0, 0);
}

void frmMain::applyFixedRatio(bool fixedRatio)
{
    m_keepAspect = fixedRatio;
    // The ratio is that of the window as it stands when the keeping is first switched on.
    if (fixedRatio && !m_config.aspectRatio().captured())
        m_config.aspectRatio().adjust(outerTwips());
}

// ---------------------------------------------------------------------------------------------------
// Menu commands

void frmMain::mnuEdit_Click()
{
    // The editor runs on its own; a missing program is not reported.
    const QString editor = ProgramPaths::companionProgram(QStringLiteral("vellokit"));
    if (!QProcess::startDetached(editor, {QStringLiteral("/MERIDANKOS")}))
        qCInfo(lcError) << "the editor could not be started:" << editor;
}

void frmMain::log_Click(int index)
{
    if (index < 1 || index > 5)
        return;
    // The caption is only shown: the folder is the history entry itself.
    skipOnError([&] { m_parts->setFolder(m_folderHistory[size_t(index - 1)]); });
    skipOnError([&] { m_parts->FillFileList(); });
}

void frmMain::mnuClear_Click()
{
    bool cleared = false;
    skipOnError([&] { cleared = m_parts->clearHistory(); });
    if (cleared)
        return;
    const QString root = ProgramPaths::systemDriveRoot().left(3);
    for (int i = 0; i < 5; ++i) {
        m_folderHistory[size_t(i)] = root;
        skipOnError([&] { m_store.setValue(QStringLiteral("PATH%1").arg(i + 1), root); });
    }
    UpdateHistoryMenu();
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::mnuViewFull_Click()
{
    if (!m_mnuViewFull->isChecked())
        return;
    m_mnuViewOri->setChecked(false);
    m_parts->showFullScreen();
}

void frmMain::mnuViewOri_Click()
{
    if (!m_mnuViewOri->isChecked())
        return;
    m_mnuViewFull->setChecked(false);
    m_parts->ChangeOri(0.0);
}

void frmMain::mnuViewSize_Click()
{
    if (!m_sizeWindow) {
        m_sizeWindow = new frmSizeChange(this);
        connect(m_sizeWindow, &frmSizeChange::ratioChosen, this, [this](double ratio) {
            if (windowState().testFlag(Qt::WindowMaximized))
                showNormal();
            m_parts->ChangeOri(ratio);
        });
    }
    if (!m_sizeWindow->isVisible())
        m_sizeWindow->Form_Load();
    m_sizeWindow->show();
    m_sizeWindow->raise();
    m_sizeWindow->activateWindow();
}

void frmMain::mnuShortcut_Click()
{
    Message message;
    message.text = shortcutListText();
    message.details = moreShortcutsText();
    message.caption = MessageService::programTitle();
    message.icon = MessageIcon::Information;
    MessageService::ask(message);
}

QString frmMain::helpFile()
{
    return ProgramPaths::documentFile(QStringLiteral("VELLOPLAYER.html"));
}

void frmMain::mnuHelp_Click()
{
    // A missing help document is not reported.
    const QString file = helpFile();
    if (!QFileInfo::exists(file))
        qCInfo(lcError) << "no help document:" << file;
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        qCInfo(lcError) << "the help document could not be opened:" << file;
}

void frmMain::setVideoFullScreen(bool on)
{
    if (on == m_videoFullScreen)
        return;
    if (on) {
        m_statesBeforeFullScreen = windowState() & ~Qt::WindowFullScreen;
        m_outerBeforeFullScreen = outerTwips();
        m_videoFullScreen = true;
        menuBar()->hide();
        m_videoArea->raise();
        m_videoArea->setGeometry(m_client->rect());
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
        show();
        return;
    }
    m_videoFullScreen = false;
    menuBar()->show();
    setWindowState(m_statesBeforeFullScreen);
    show();
    const QSize outer = outerTwips();
    m_layout.sizeChanged(outer.width(), outer.height());
    applyLayout();
}

} // namespace vello
