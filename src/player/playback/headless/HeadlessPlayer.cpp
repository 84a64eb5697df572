#include "HeadlessPlayer.h"

#include "Helpers.h"
#include "NativePath.h"
#include "PlaybackMath.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vello {

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe just drops the byte.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

/// Columns a text takes on a terminal: East Asian wide and full-width characters count two.
int displayWidth(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        width += wide ? 2 : (c < 0x20 ? 0 : 1);
    }
    return width;
}

QString pad(const QString& text, int width, bool right)
{
    const QString fill(qMax(0, width - displayWidth(text)), u' ');
    return right ? fill + text : text + fill;
}

/// Control characters of file names and titles are shown as "?" so they cannot steer the terminal.
QString printable(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'?';
    }
    return text;
}

QString modeName(int mode)
{
    switch (mode) {
    case 0:
        return QStringLiteral("通常");
    case 1:
        return QStringLiteral("全曲リピート");
    case 2:
        return QStringLiteral("1曲リピート");
    case 3:
        return QStringLiteral("ランダム");
    }
    return QString::number(mode);
}

} // namespace

HeadlessPlayer::HeadlessPlayer(const Options& options, const PlayerSettings& settings, QObject* parent)
    : QObject(parent), m_options(options), m_settings(settings), m_out(stdout)
{
    if (m_options.playModeOverride >= 0)
        m_settings.PlayMode = m_options.playModeOverride;

    BrowserSettings browserSettings;
    browserSettings.extList = m_settings.ExtList;
    browserSettings.fileTitle = m_settings.FileTitle != 0;
    browserSettings.fileDateTime = m_settings.FileDateTime != 0;
    browserSettings.fileSize = m_settings.FileSize != 0;
    m_browser.setSettings(browserSettings);

    const MpvSession::Options engine{QStringLiteral("null"),
                                     m_options.audio ? QString() : QStringLiteral("null"), 0};
    m_controller = std::make_unique<PlaybackController>(m_browser, engine, engine);
    m_controller->setVolumeFile(QString()); // the terminal player leaves VolumeSize.ini alone
    m_controller->setPlayMode(m_settings.PlayMode);
    connect(m_controller.get(), &PlaybackController::clipStarted, this, &HeadlessPlayer::onClipStarted);
    connect(m_controller.get(), &PlaybackController::clipFailed, this, [this](const QString& file) {
        m_out << QStringLiteral("再生できません: ") << printable(displayName(fileNameOf(file))) << Qt::endl;
    });
    connect(m_controller.get(), &PlaybackController::playbackFinished, this,
            [this] { finish(QStringLiteral("再生終了")); });

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        m_signalNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[1], QSocketNotifier::Read);
        connect(m_signalNotifier.get(), &QSocketNotifier::activated, this, &HeadlessPlayer::onSignal);
        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    m_stdinNotifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(m_stdinNotifier.get(), &QSocketNotifier::activated, this, &HeadlessPlayer::onStdin);
}

HeadlessPlayer::~HeadlessPlayer()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    m_signalNotifier.reset();
    m_stdinNotifier.reset();
    for (int& fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    m_controller.reset();
}

QStringList HeadlessPlayer::playlistLines() const
{
    const FileList& list = m_browser.list();
    struct Column
    {
        QString caption;
        bool right = false;
        std::function<QString(int)> text;
    };
    std::vector<Column> columns;
    columns.push_back({QStringLiteral("#"), true, [](int i) { return QString::number(i); }});
    columns.push_back(
        {QStringLiteral("名前"), false, [&list](int i) { return printable(list.shownName(i)); }});
    if (m_settings.FileTitle != 0)
        columns.push_back(
            {QStringLiteral("タイトル"), false, [&list](int i) { return printable(list.title(i)); }});
    if (m_settings.FileDateTime != 0)
        columns.push_back(
            {QStringLiteral("更新日時"), false, [&list](int i) { return list.item(i).dateText; }});
    if (m_settings.FileSize != 0)
        columns.push_back({QStringLiteral("サイズ"), true, [&list](int i) { return list.item(i).sizeText; }});

    std::vector<int> widths;
    for (const Column& column : columns) {
        int width = displayWidth(column.caption);
        for (int i = 1; i <= list.count(); ++i)
            width = std::max(width, displayWidth(column.text(i)));
        widths.push_back(width);
    }
    const auto line = [&](const std::function<QString(size_t)>& cell) {
        QStringList cells;
        for (size_t c = 0; c < columns.size(); ++c)
            cells << pad(cell(c), widths[c], columns[c].right);
        QString text = cells.join(QStringLiteral("  "));
        while (text.endsWith(u' '))
            text.chop(1);
        return text;
    };
    QStringList lines;
    lines << line([&](size_t c) { return columns[c].caption; });
    for (int i = 1; i <= list.count(); ++i)
        lines << line([&](size_t c) { return columns[c].text(i); });
    return lines;
}

bool HeadlessPlayer::start()
{
    const QByteArray given = toNativePath(m_options.folder);
    char resolved[PATH_MAX];
    if (given.isEmpty() || !isDirectory(m_options.folder) || ::access(given.constData(), R_OK | X_OK) != 0 ||
        !::realpath(given.constData(), resolved)) {
        std::fprintf(stderr, "velloplay: フォルダを開けません: %s\n",
                     printable(displayPath(m_options.folder)).toLocal8Bit().constData());
        return false;
    }
    m_folder = fromNativePath(QByteArray(resolved));
    if (!m_folder.endsWith(u'/'))
        m_folder += u'/';
    const QString folder = m_folder;
    m_browser.setFolderSource([folder] { return folder; });
    m_browser.FillFileList();

    m_out << printable(displayPath(m_folder)) << QStringLiteral("  (") << m_browser.list().count()
          << QStringLiteral("件, ") << QStringLiteral("再生モード: ") << modeName(m_settings.PlayMode) << u')'
          << Qt::endl;
    for (const QString& text : playlistLines())
        m_out << text << Qt::endl;
    m_out << Qt::endl;

    if (m_browser.list().isEmpty()) {
        finish(QStringLiteral("再生できるファイルがありません"));
        return true;
    }
    m_browser.list().select(1);
    m_controller->PlayCommand();
    if (m_controller->CurrentFile().isEmpty())
        finish(QStringLiteral("再生できるファイルがありません"));
    return true;
}

void HeadlessPlayer::onClipStarted(const QString& file, const QString& title, int lengthMs)
{
    const int index = m_browser.list().selectedIndex();
    m_out << QStringLiteral("再生 [%1/%2] ").arg(index).arg(m_browser.list().count())
          << printable(displayName(fileNameOf(file)))
          << (title.isEmpty() ? QString() : QStringLiteral("  ") + printable(title)) << QStringLiteral("  (")
          << PlaybackMath::totalTimeText(lengthMs) << u')' << Qt::endl;
}

void HeadlessPlayer::onStdin()
{
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        m_stdinNotifier->setEnabled(false); // end of input: only signals stop us now
        return;
    }
    if (std::find_if(buffer, buffer + n, [](char c) { return c == 'q' || c == 'Q'; }) != buffer + n)
        finish(QStringLiteral("停止"));
}

void HeadlessPlayer::onSignal()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[1], &byte, 1);
    finish(QStringLiteral("停止"));
}

void HeadlessPlayer::finish(const QString& reason)
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_controller->CurrentFile().isEmpty())
        m_controller->StopPlayback();
    m_out << reason << Qt::endl;
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

} // namespace vello
