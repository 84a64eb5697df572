// Prints how long filling the file list and opening a folder with thousands of subfolders take.
#include "FileBrowser.h"
#include "FileLister.h"
#include "cDTree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vello;

namespace {

constexpr int Rounds = 3;

QByteArray clipBytes(int n)
{
    // A RealMedia-like head with a content-description chunk near the start, ~12 KB in all.
    QByteArray bytes(".RMF\0\0\0\x12\0\0\0\0\0\0\0\0\0\x05", 18);
    bytes += QByteArray(80, '\x01');
    const QByteArray title = QStringLiteral("クリップ %1").arg(n).toUtf8();
    QByteArray chunk("CONT\0\0\0\0\0\0", 10);
    chunk.append(static_cast<char>(title.size() >> 8))
        .append(static_cast<char>(title.size() & 0xFF))
        .append(title);
    chunk.append("\0\x02Me\0\0\0\0", 8);
    bytes += chunk;
    bytes += QByteArray(12 * 1024 - bytes.size(), '\x55');
    return bytes;
}

void makeClips(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile f(QStringLiteral("%1/clip%2.rm").arg(folder).arg(i, 5, 10, QChar(u'0')));
        if (f.open(QIODevice::WriteOnly))
            f.write(clipBytes(i));
    }
}

/// The raw work a title column needs: list the folder, open each file, read its head, close it.
qint64 baselineRead(const QString& folder, bool readHeads)
{
    QElapsedTimer timer;
    timer.start();
    const QByteArray base = QFile::encodeName(folder + u'/');
    DIR* dir = ::opendir(base.constData());
    long sink = 0;
    char buffer[10266];
    while (const dirent* de = ::readdir(dir)) {
        if (de->d_name[0] == '.')
            continue;
        const QByteArray path = base + de->d_name;
        struct stat st
        {
        };
        ::stat(path.constData(), &st);
        sink += st.st_size;
        if (readHeads) {
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            sink += ::read(fd, buffer, sizeof buffer);
            ::close(fd);
        }
    }
    ::closedir(dir);
    if (sink == 42)
        std::puts("");
    return timer.nsecsElapsed();
}

qint64 fill(const QString& folder, bool titles, bool dates = true)
{
    FileBrowser browser;
    BrowserSettings settings;
    settings.fileTitle = titles;
    settings.fileDateTime = dates;
    browser.setSettings(settings);
    browser.setFolderSource([&] { return folder + u'/'; });
    QElapsedTimer timer;
    timer.start();
    browser.FillFileList();
    return timer.nsecsElapsed();
}

template <typename F> qint64 best(F f)
{
    qint64 result = std::numeric_limits<qint64>::max();
    for (int i = 0; i < Rounds; ++i)
        result = std::min(result, f());
    return result;
}

void report(const char* what, int files, qint64 ours, qint64 baseline)
{
    const double ms = ours / 1e6;
    const double baseMs = baseline / 1e6;
    std::printf("%-34s %6d files  %9.1f ms  %9.0f files/s   baseline %8.1f ms  %9.0f files/s   ratio %.2f\n",
                what, files, ms, files / (ms / 1000), baseMs, files / (baseMs / 1000), ms / baseMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir work(QDir::currentPath() + QStringLiteral("/bench-browser-XXXXXX"));
    std::printf("working folder %s (best of %d rounds, warm cache)\n", qPrintable(work.path()), Rounds);

    for (int count : {1000, 10000}) {
        const QString folder = work.path() + QStringLiteral("/clips%1").arg(count);
        makeClips(folder, count);
        baselineRead(folder, true); // warm the cache
        const qint64 rawOn = best([&] { return baselineRead(folder, true); });
        const qint64 oursOn = best([&] { return fill(folder, true); });
        const qint64 rawOff = best([&] { return baselineRead(folder, false); });
        const qint64 oursOff = best([&] { return fill(folder, false); });
        const qint64 oursOnNoDate = best([&] { return fill(folder, true, false); });
        const qint64 listerOnly = best([&] {
            QElapsedTimer timer;
            timer.start();
            FileLister lister;
            lister.setExtensions({QStringLiteral("rm")});
            lister.setFolder(folder);
            for (int i = 1; i <= lister.count(); ++i)
                lister.date(i);
            return timer.nsecsElapsed();
        });
        report("FillFileList, titles on", count, oursOn, rawOn);
        report("FillFileList, titles on, no dates", count, oursOnNoDate, rawOn);
        report("FillFileList, titles off", count, oursOff, rawOff);
        report("FileLister alone (list + dates)", count, listerOnly, rawOff);
    }

    const QString wide = work.path() + QStringLiteral("/wide");
    QDir().mkpath(wide);
    for (int i = 0; i < 5000; ++i)
        ::mkdir(QFile::encodeName(QStringLiteral("%1/folder %2").arg(wide).arg(i)).constData(), 0755);
    for (int i = 0; i < 5000; i += 10) // some with a subfolder of their own: look-ahead finds one
        ::mkdir(QFile::encodeName(QStringLiteral("%1/folder %2/inner").arg(wide).arg(i)).constData(), 0755);

    qint64 bestOpen = std::numeric_limits<qint64>::max();
    int children = 0;
    for (int round = 0; round < Rounds; ++round) {
        QTreeWidget view;
        view.resize(300, 600);
        view.show();
        IconStore icons;
        cDTree tree;
        tree.setDriveSource([&] { return QList<DriveEntry>{{work.path() + u'/', QStringLiteral("bench")}}; });
        tree.setTreeView(&view);
        tree.setImageList(&icons);
        QTreeWidgetItem* drive = view.topLevelItem(0);
        view.expandItem(drive);
        QTreeWidgetItem* node = tree.nodeForKey(wide + u'/');
        QElapsedTimer timer;
        timer.start();
        view.expandItem(node); // AddSubfolderNodes of 5,000 folders
        QCoreApplication::processEvents();
        bestOpen = std::min(bestOpen, timer.nsecsElapsed());
        children = node->childCount();
    }
    std::printf("open folder with %d subfolders (tree)   %9.1f ms   (target < 1000 ms)\n", children,
                bestOpen / 1e6);
    return 0;
}
