#include "UpdateCheck.h"

#include "DialUp.h"
#include "Logging.h"
#include "McWinFTP.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vello {

namespace {

const QChar Cr = u'\r';

QString stopText()
{
    return QStringLiteral("処理を中止しました");
}

/// The first bytes of a local file (at most limit), or empty when it cannot be read.
QByteArray readHead(const QString& path, qint64 limit)
{
    const QByteArray native = toNativePath(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        qCInfo(lcError) << "update check: cannot read the version file" << displayPath(path) << errno;
        return {};
    }
    QByteArray head(limit, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < head.size()) {
        const ssize_t got = ::read(fd, head.data() + filled, static_cast<size_t>(head.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    ::close(fd);
    head.truncate(filled);
    return head;
}

void removeFile(const QString& path)
{
    if (::unlink(toNativePath(path).constData()) != 0 && errno != ENOENT)
        qCInfo(lcError) << "update check: cannot delete" << displayPath(path) << errno;
}

} // namespace

UpdateCheck::UpdateCheck(UpdateView& view, QObject* parent) : UpdateCheck(view, Options{}, parent) {}

UpdateCheck::UpdateCheck(UpdateView& view, Options options, QObject* parent)
    : QObject(parent), m_view(view), m_options(std::move(options))
{}

UpdateCheck::~UpdateCheck()
{
    delete m_ftp;
}

void UpdateCheck::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    if (m_ftp)
        m_ftp->cancel();
}

bool UpdateCheck::stopped() const
{
    return m_cancelled;
}

void UpdateCheck::runOffThread(const std::function<void()>& work)
{
    QEventLoop loop;
    QThread* worker = QThread::create(work);
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
}

UpdateCheck::Result UpdateCheck::run()
{
    if (m_running)
        return Result::Cancelled;
    m_running = true;
    m_cancelled = false;
    const Result result = check();
    if (m_ftp) {
        // The goodbye to the server may wait for its answer: off this thread as well.
        m_ftp->resetCancel();
        McWinFTP* ftp = m_ftp;
        runOffThread([ftp] { ftp->CloseSession(); });
        delete m_ftp;
        m_ftp = nullptr;
    }
    m_running = false;
    qCInfo(lcUpdate) << "update check ended:" << static_cast<int>(result);
    return result;
}

UpdateCheck::Result UpdateCheck::check()
{
    m_view.showStep(QStringLiteral("最新バージョンを確認中"));
    m_ftp = new McWinFTP;
    McWinFTP* ftp = m_ftp;
    ftp->setTimeouts(m_options.connectTimeoutMs, m_options.stallTimeoutMs);
    ftp->setCaFile(m_options.caFile);
    // The window does not handle the client's errors: each step's own message says what failed.
    connect(ftp, &McWinFTP::FTPFrr, this, [](qint32 number, const QString& text) {
        qCInfo(lcError) << "update check: FTP error" << number << text;
    });
    connect(ftp, &McWinFTP::transferProgress, this, [this](qint64 done, qint64 total) {
        if (m_running)
            m_view.showProgress(done, total);
    });
    QCoreApplication::processEvents();

    if (!IsDialUpConnected(m_options.netRoot)) {
        const bool dialUp =
            MessageService::question(QStringLiteral("ダイヤルアップ先が見つかりませんでした。") + Cr +
                                         QStringLiteral("お使いの環境は、ダイヤルアップ接続ですか？"),
                                     false);
        if (dialUp) {
            MessageService::warning(QStringLiteral("インターネットに接続してから、再試行してください"));
            return Result::DialUpNotConnected;
        }
    }

    ftp->setRemoteHost(m_options.server.host);
    ftp->setRemotePort(m_options.server.port);
    ftp->setUser(m_options.server.user);
    ftp->setPassword(m_options.server.password);
    ftp->setPassiveFlag(true);
    runOffThread([ftp] { ftp->OpenSession(); });
    if (stopped()) {
        MessageService::warning(stopText());
        return Result::Cancelled;
    }
    if (ftp->hFTP() == 0) {
        MessageService::critical(QStringLiteral("FTPサーバへの接続に失敗しました"));
        return Result::ConnectFailed;
    }

    // Only the first line matters: the fetch stops after the first few KB.
    const QString versionFile = ProgramPaths::dataFile(versionFileName());
    bool fetched = false;
    ftp->setDownloadLimit(VersionHeadBytes);
    runOffThread(
        [ftp, &fetched, versionFile] { fetched = ftp->GetFile(versionFileName(), versionFile, false, 0); });
    ftp->setDownloadLimit(0);
    if (stopped()) {
        if (fetched)
            removeFile(versionFile);
        MessageService::warning(stopText());
        return Result::Cancelled;
    }
    if (!fetched) {
        MessageService::critical(QStringLiteral("最新バージョンの取得に失敗しました"));
        return Result::VersionFileFailed;
    }
    const QString firstLine = versionFileFirstLine(readHead(versionFile, VersionHeadBytes));
    removeFile(versionFile);

    const VersionNumber latest = VersionNumber::latest(firstLine);
    qCInfo(lcUpdate) << "this version" << m_options.localVersion.toString() << "server's" << firstLine;
    if (VersionNumber::compare(m_options.localVersion, latest) >= 0) {
        MessageService::information(
            QStringLiteral("このバージョンが最新バージョンです。更新する必要はありません"));
        return Result::UpToDate;
    }
    if (!MessageService::question(QStringLiteral("現在の最新バージョンは") + firstLine +
                                      QStringLiteral("です。") + Cr +
                                      QStringLiteral("最新版をダウンロードしますか？"),
                                  false)) {
        MessageService::warning(stopText());
        return Result::Declined;
    }

    const QString chooseText = QStringLiteral("保存先フォルダを指定してください");
    MessageService::information(chooseText);
    const QString folder = m_view.chooseFolder(chooseText, ProgramPaths::programFolder());
    if (folder.isEmpty()) {
        MessageService::warning(stopText());
        return Result::Declined;
    }
    const QString archive = archivePathIn(folder, archiveName());

    m_view.showStep(QStringLiteral("最新バージョンをダウンロード中"));
    QCoreApplication::processEvents();
    m_view.setBusy(true);
    bool downloaded = false;
    runOffThread(
        [ftp, &downloaded, archive] { downloaded = ftp->GetFile(archiveName(), archive, false, 0); });
    m_view.setBusy(false);
    if (downloaded) {
        MessageService::information(displayPath(archive) + QStringLiteral("をダウンロードしました。") + Cr +
                                    QStringLiteral("Velloplayerを終了し、ファイルを置き換えてください"));
        return Result::Downloaded;
    }
    if (stopped()) {
        MessageService::warning(stopText());
        return Result::Cancelled;
    }
    MessageService::critical(QStringLiteral("最新バージョンのダウンロードに失敗しました"));
    return Result::DownloadFailed;
}

} // namespace vello
