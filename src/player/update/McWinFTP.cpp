#include "McWinFTP.h"

#include "Logging.h"
#include "NativePath.h"
#include "NetworkText.h"

#include <curl/curl.h>

#include <QDate>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vello {

namespace {

/// The longest server response FTPFrr passes on, in characters.
constexpr qsizetype MaxResponseLength = 255;
/// The longest name a listing entry keeps, in characters.
constexpr qsizetype MaxEntryName = 260;
/// A listing larger than this is refused (FtpOutOfMemory) rather than held.
constexpr qsizetype MaxListingBytes = 64 * 1024 * 1024;

void ensureLibrary()
{
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(init);
}

/// Percent-encodes every byte of a path except the unreserved characters and "/".
QByteArray encodePath(const QByteArray& path)
{
    return path.toPercentEncoding("/");
}

/// The URL path that names an absolute remote path without any directory change: "/%2F" + the rest.
QByteArray urlPathFor(const QString& absolute, bool directory)
{
    QByteArray path = toNativePath(absolute);
    if (path.startsWith('/'))
        path.remove(0, 1);
    QByteArray url = "/%2F" + encodePath(path);
    if (directory && !url.endsWith('/'))
        url.append('/');
    return url;
}

qint32 numberForErrno(int error, qint32 missing)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return missing;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
        return FtpAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FtpDiskFull;
    case ENAMETOOLONG:
    case EINVAL:
        return FtpInvalidName;
    case EEXIST:
        return FtpFileExists;
    case ENOMEM:
        return FtpOutOfMemory;
    default:
        return FtpInternalError;
    }
}

/// The path inside "257 "<path>" ..." (doubled quotes stand for one), or the word after the code.
QString parsePwdReply(const QString& reply)
{
    const QString line = reply.section(u'\n', -1);
    if (!line.startsWith(u"257"))
        return {};
    const qsizetype open = line.indexOf(u'"');
    if (open < 0)
        return line.mid(4).section(u' ', 0, 0);
    QString path;
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line.at(i) == u'"') {
            if (i + 1 < line.size() && line.at(i + 1) == u'"') {
                path.append(u'"');
                ++i;
                continue;
            }
            return path;
        }
        path.append(line.at(i));
    }
    return {};
}

/// Creates a new file with a random name beside target (mode 0666 less the umask). Returns its
/// descriptor and name, or -1 with errno set.
int createTemporaryBeside(const QByteArray& target, QByteArray* name)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : target.left(slash));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = folder + (folder.endsWith('/') ? "" : "/") + ".vello-download-" +
                                     QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *name = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool writeAll(int fd, const char* data, size_t size, int* error)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

QString ftpErrorDescription(qint32 number)
{
    switch (number) {
    case FtpFileNotFound:
        return QStringLiteral("指定されたファイルが見つかりません。");
    case FtpPathNotFound:
        return QStringLiteral("指定されたパスが見つかりません。");
    case FtpAccessDenied:
        return QStringLiteral("アクセスが拒否されました。");
    case FtpInvalidHandle:
        return QStringLiteral("ハンドルが無効です。");
    case FtpOutOfMemory:
        return QStringLiteral("このコマンドを実行するのに十分な記憶域がありません。");
    case FtpFileExists:
        return QStringLiteral("ファイルが存在します。");
    case FtpDiskFull:
        return QStringLiteral("ディスクに十分な空き領域がありません。");
    case FtpInvalidName:
        return QStringLiteral("ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。");
    case FtpTimeout:
        return QStringLiteral("サーバーからの応答がないため、操作がタイムアウトしました。");
    case FtpCancelled:
        return QStringLiteral("操作は取り消されました。");
    case FtpCannotConnect:
        return QStringLiteral("サーバーに接続できませんでした。");
    case FtpConnectionAborted:
        return QStringLiteral("サーバーとの接続が切断されました。");
    case FtpCertificateRejected:
        return QStringLiteral("サーバーの証明書を検証できませんでした。");
    case FtpSecureChannelError:
        return QStringLiteral("サーバーとの安全な接続を確立できませんでした。");
    default:
        return {};
    }
}

QString ftpErrorText(qint32 number, const QString& serverResponse)
{
    QString text;
    if (number == FtpExtendedError)
        text = serverResponse.left(MaxResponseLength);
    else if (number == FtpNameNotResolved)
        text = QStringLiteral("サーバー名を解決できませんでした。");
    else
        text = ftpErrorDescription(number);
    if (text.isEmpty())
        text = QStringLiteral("エラーが発生しています。");
    return text;
}

struct McWinFTP::Session
{
    CURLSH* share = nullptr;
    CURL* connection = nullptr;
    // Where the connection goes, fixed when it is opened.
    QByteArray baseUrl;
    QByteArray user;
    QByteArray password;
    bool passive = true;

    ~Session()
    {
        if (connection)
            curl_easy_cleanup(connection);
        if (share)
            curl_share_cleanup(share);
    }
};

namespace detail {

struct FtpRequest
{
    enum class Kind
    {
        Commands,
        Download,
        Upload,
        List
    };

    McWinFTP* owner = nullptr;
    Kind kind = Kind::Commands;
    QByteArray urlPath;
    QList<QByteArray> commands; // sent after login, before any transfer
    bool ascii = false;
    int fd = -1; // download target or upload source
    qint64 uploadSize = -1;
    qint64 limit = 0; // downloads: stop after this many bytes (0: none)
    QByteArray listing;

    // Progress of the call.
    NetworkText text; // line ends of a text transfer
    qint64 written = 0;
    bool limitReached = false;
    bool listingTooLarge = false;
    int localError = 0;
    QElapsedTimer progressClock;
    curl_off_t lastProgress = -1;
    int stallMs = 0;
    QElapsedTimer sinceMoved; // since bytes last moved
    curl_off_t moved = -1;
    bool stalled = false;

    // The server's replies: the one being read and the last complete one.
    QByteArray reply;
    QByteArray replyCode;
    QByteArray lastReply;
};

struct FtpOutcome
{
    CURLcode code = CURLE_OK;
    bool cancelled = false;
    int localError = 0;
    bool listingTooLarge = false;
    QString response;
    bool ok() const { return code == CURLE_OK; }
};

} // namespace detail

using detail::FtpOutcome;
using detail::FtpRequest;

namespace {

bool isReplyStart(const QByteArray& line)
{
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line.at(0))) &&
           std::isdigit(static_cast<unsigned char>(line.at(1))) &&
           std::isdigit(static_cast<unsigned char>(line.at(2))) && (line.at(3) == ' ' || line.at(3) == '-');
}

/// Every line the server sends on the control connection.
size_t onServerLine(char* data, size_t size, size_t count, void* user)
{
    auto* request = static_cast<FtpRequest*>(user);
    const size_t total = size * count;
    request->sinceMoved.start(); // a reply is progress too
    QByteArray line(data, static_cast<qsizetype>(total));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    const bool open = !request->replyCode.isEmpty();
    if (!open) {
        if (!isReplyStart(line))
            return total;
        request->reply = line;
        if (line.at(3) == '-')
            request->replyCode = line.left(3);
        else
            request->lastReply = request->reply;
        return total;
    }
    request->reply.append('\n').append(line);
    if (isReplyStart(line) && line.at(3) == ' ' && line.left(3) == request->replyCode) {
        request->lastReply = request->reply;
        request->replyCode.clear();
    }
    return total;
}

/// Writes a block of a download, turning CR LF into LF for text and stopping at the limit.
size_t onDownloadData(char* data, size_t size, size_t count, void* user)
{
    auto* request = static_cast<FtpRequest*>(user);
    const size_t total = size * count;
    QByteArray converted;
    const char* out = data;
    size_t outSize = total;
    if (request->ascii) {
        converted = request->text.fromNetwork(QByteArrayView(data, static_cast<qsizetype>(total)));
        out = converted.constData();
        outSize = static_cast<size_t>(converted.size());
    }
    if (request->limit > 0 && request->written + static_cast<qint64>(outSize) >= request->limit) {
        outSize = static_cast<size_t>(request->limit - request->written);
        request->limitReached = true;
    }
    if (!writeAll(request->fd, out, outSize, &request->localError))
        return 0;
    request->written += static_cast<qint64>(outSize);
    return request->limitReached ? 0 : total;
}

size_t onListingData(char* data, size_t size, size_t count, void* user)
{
    auto* request = static_cast<FtpRequest*>(user);
    const size_t total = size * count;
    if (request->listing.size() + static_cast<qsizetype>(total) > MaxListingBytes) {
        request->listingTooLarge = true;
        return 0;
    }
    request->listing.append(data, static_cast<qsizetype>(total));
    return total;
}

/// Reads a block of an upload, turning a lone LF into CR LF for text.
size_t onUploadData(char* buffer, size_t size, size_t count, void* user)
{
    auto* request = static_cast<FtpRequest*>(user);
    const size_t room = size * count;
    // Text may double in size: read at most half the room.
    const size_t want = request->ascii ? room / 2 : room;
    if (want == 0)
        return 0;
    QByteArray raw;
    char* target = buffer;
    if (request->ascii) {
        raw.resize(static_cast<qsizetype>(want));
        target = raw.data();
    }
    ssize_t got = 0;
    do {
        got = ::read(request->fd, target, want);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        request->localError = errno;
        return CURL_READFUNC_ABORT;
    }
    if (!request->ascii)
        return static_cast<size_t>(got);
    const QByteArray converted = request->text.toNetwork(QByteArrayView(raw.constData(), got));
    std::memcpy(buffer, converted.constData(), static_cast<size_t>(converted.size()));
    return static_cast<size_t>(converted.size());
}

/// The conversation with the server, on the debug level of vello.update (passwords left out).
int onDebug(CURL*, curl_infotype type, char* data, size_t size, void*)
{
    const char* direction = nullptr;
    switch (type) {
    case CURLINFO_TEXT:
        direction = "*";
        break;
    case CURLINFO_HEADER_IN:
        direction = "<";
        break;
    case CURLINFO_HEADER_OUT:
        direction = ">";
        break;
    default:
        return 0;
    }
    QByteArray text(data, static_cast<qsizetype>(size));
    if (text.startsWith("PASS "))
        text = "PASS ****";
    qCDebug(lcUpdate).noquote() << direction << QString::fromUtf8(text.trimmed());
    return 0;
}

int onProgress(void* user, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
               curl_off_t uploaded)
{
    auto* request = static_cast<FtpRequest*>(user);
    if (request->owner->isCancelled())
        return 1;
    if (downloaded + uploaded != request->moved || !request->sinceMoved.isValid()) {
        request->moved = downloaded + uploaded;
        request->sinceMoved.start();
    } else if (request->kind != FtpRequest::Kind::Commands &&
               request->sinceMoved.elapsed() > request->stallMs) {
        request->stalled = true;
        return 1;
    }
    const bool upload = request->kind == FtpRequest::Kind::Upload;
    const curl_off_t done = upload ? uploaded : downloaded;
    const curl_off_t total = upload ? uploadTotal : downloadTotal;
    if (request->kind == FtpRequest::Kind::Commands || done == request->lastProgress)
        return 0;
    if (request->progressClock.isValid() && request->progressClock.elapsed() < 100)
        return 0;
    request->progressClock.start();
    request->lastProgress = done;
    emit request->owner->transferProgress(done, total);
    return 0;
}

} // namespace

McWinFTP::McWinFTP(QObject* parent) : QObject(parent), m_session(std::make_unique<Session>())
{
    ensureLibrary();
    m_session->share = curl_share_init();
    if (m_session->share) {
        curl_share_setopt(m_session->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(m_session->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    } else {
        ReportFtpError(FtpOutOfMemory);
    }
    m_remotePort = 21;
}

McWinFTP::~McWinFTP()
{
    m_remoteFile = FTPFile{};
    CloseSession();
}

quintptr McWinFTP::hInternet() const
{
    return reinterpret_cast<quintptr>(m_session->share);
}

quintptr McWinFTP::hFTP() const
{
    return reinterpret_cast<quintptr>(m_session->connection);
}

void McWinFTP::setTimeouts(int connectMs, int stallMs)
{
    m_connectTimeoutMs = qMax(1, connectMs);
    m_stallTimeoutMs = qMax(1, stallMs);
}

void McWinFTP::ReportFtpError(qint32 number, const QString& serverResponse)
{
    if (number == FtpNoMoreFiles) {
        m_remoteFile.SearchEnd = true;
        return;
    }
    const QString text = ftpErrorText(number, serverResponse);
    qCInfo(lcUpdate) << "FTP error" << number << text;
    emit FTPFrr(number, text);
}

bool McWinFTP::requireConnection()
{
    if (m_session->connection)
        return true;
    ReportFtpError(FtpInvalidHandle);
    return false;
}

bool McWinFTP::checkName(const QString& name)
{
    if (!name.contains(u'\r') && !name.contains(u'\n') && !name.contains(QChar(0)))
        return true;
    ReportFtpError(FtpInvalidName);
    return false;
}

QString McWinFTP::absolutePath(const QString& name) const
{
    if (name.startsWith(u'/'))
        return name;
    QString folder = m_curDir.isEmpty() ? QStringLiteral("/") : m_curDir;
    if (!folder.endsWith(u'/'))
        folder.append(u'/');
    return folder + name;
}

FtpOutcome McWinFTP::perform(FtpRequest& request)
{
    CURL* curl = m_session->connection;
    request.owner = this;
    curl_easy_reset(curl);
    const QByteArray url = m_session->baseUrl + request.urlPath;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SHARE, m_session->share);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(m_connectTimeoutMs));
    // Replies: whole seconds. Data that stops moving is noticed by onProgress.
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>((m_stallTimeoutMs + 999) / 1000));
    request.stallMs = m_stallTimeoutMs;
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    const QByteArray caFile = toNativePath(m_caFile);
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    if (!m_session->passive)
        curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    if (!m_session->user.isEmpty())
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_session->user.constData());
    if (!m_session->password.isEmpty())
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_session->password.constData());
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onServerLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &request);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &request);
    if (lcUpdate().isDebugEnabled()) {
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onDebug);
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    }

    curl_slist* commands = nullptr;
    for (const QByteArray& command : std::as_const(request.commands))
        commands = curl_slist_append(commands, command.constData());
    if (commands)
        curl_easy_setopt(curl, CURLOPT_QUOTE, commands);

    switch (request.kind) {
    case FtpRequest::Kind::Commands:
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        break;
    case FtpRequest::Kind::Download:
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onDownloadData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &request);
        curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, request.ascii ? 1L : 0L);
        break;
    case FtpRequest::Kind::List:
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onListingData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &request);
        break;
    case FtpRequest::Kind::Upload:
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, onUploadData);
        curl_easy_setopt(curl, CURLOPT_READDATA, &request);
        curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, request.ascii ? 1L : 0L);
        if (!request.ascii && request.uploadSize >= 0)
            curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(request.uploadSize));
        break;
    }

    FtpOutcome outcome;
    outcome.code = curl_easy_perform(curl);
    // The connection outlives this call (and says goodbye at CloseSession): nothing may point here.
    curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_READDATA, nullptr);
    if (commands)
        curl_slist_free_all(commands);
    if (outcome.code == CURLE_WRITE_ERROR && request.limitReached && request.localError == 0)
        outcome.code = CURLE_OK;
    outcome.cancelled = outcome.code == CURLE_ABORTED_BY_CALLBACK && isCancelled();
    if (outcome.code == CURLE_ABORTED_BY_CALLBACK && request.stalled && !outcome.cancelled)
        outcome.code = CURLE_OPERATION_TIMEDOUT;
    outcome.localError = request.localError;
    outcome.listingTooLarge = request.listingTooLarge;
    outcome.response = QString::fromUtf8(request.lastReply);
    if (!outcome.ok())
        qCDebug(lcUpdate) << "libcurl:" << curl_easy_strerror(outcome.code)
                          << "last reply:" << outcome.response;
    return outcome;
}

void McWinFTP::reportOutcome(const FtpOutcome& outcome)
{
    if (outcome.cancelled) {
        ReportFtpError(FtpCancelled);
        return;
    }
    // The server refused: its reply says why.
    const bool refused = outcome.response.size() >= 3 && outcome.response.at(0) >= u'4' &&
                         outcome.response.at(0) <= u'5' && outcome.response.at(1).isDigit();
    switch (outcome.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_URL_MALFORMAT:
        ReportFtpError(FtpNameNotResolved);
        return;
    case CURLE_COULDNT_CONNECT:
        ReportFtpError(FtpCannotConnect);
        return;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        ReportFtpError(FtpTimeout);
        return;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        ReportFtpError(FtpCertificateRejected);
        return;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
        ReportFtpError(FtpSecureChannelError);
        return;
    case CURLE_OUT_OF_MEMORY:
        ReportFtpError(FtpOutOfMemory);
        return;
    case CURLE_WRITE_ERROR:
        if (outcome.listingTooLarge)
            ReportFtpError(FtpOutOfMemory);
        else
            ReportFtpError(numberForErrno(outcome.localError, FtpPathNotFound));
        return;
    case CURLE_READ_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
        if (outcome.localError != 0) {
            ReportFtpError(numberForErrno(outcome.localError, FtpFileNotFound));
            return;
        }
        break;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        ReportFtpError(refused ? FtpExtendedError : FtpConnectionAborted, outcome.response);
        return;
    default:
        break;
    }
    ReportFtpError(refused ? FtpExtendedError : FtpInternalError, outcome.response);
}

bool McWinFTP::runCommands(const QList<QByteArray>& commands, QString* lastResponse)
{
    FtpRequest request;
    request.kind = FtpRequest::Kind::Commands;
    request.urlPath = "/%2F/";
    request.commands = commands;
    const FtpOutcome outcome = perform(request);
    if (!outcome.ok()) {
        reportOutcome(outcome);
        return false;
    }
    if (lastResponse)
        *lastResponse = outcome.response;
    return true;
}

void McWinFTP::OpenSession()
{
    if (!m_session->share) {
        ReportFtpError(FtpInvalidHandle);
        return;
    }
    if (m_session->connection)
        CloseSession();
    const QString host = m_remoteHost.trimmed();
    static const QRegularExpression badHost(QStringLiteral("[\\s/\\\\?#@%]|[\\x00-\\x1f]"));
    if (host.isEmpty() || host.contains(badHost)) {
        ReportFtpError(FtpNameNotResolved);
        return;
    }
    const qint32 port = m_remotePort <= 0 ? 21 : m_remotePort;
    if (port > 65535) {
        ReportFtpError(FtpCannotConnect);
        return;
    }
    const bool ipv6 = host.contains(u':') && !host.startsWith(u'[');
    m_session->baseUrl =
        "ftp://" + (ipv6 ? "[" + host.toUtf8() + "]" : host.toUtf8()) + ":" + QByteArray::number(port);
    m_session->user = m_user.toUtf8();
    m_session->password = m_password.toUtf8();
    m_session->passive = PassiveFlag();
    m_session->connection = curl_easy_init();
    if (!m_session->connection) {
        ReportFtpError(FtpOutOfMemory);
        return;
    }
    FtpRequest request;
    request.kind = FtpRequest::Kind::Commands;
    request.urlPath = "/%2F/";
    const FtpOutcome outcome = perform(request);
    if (!outcome.ok()) {
        curl_easy_cleanup(m_session->connection);
        m_session->connection = nullptr;
        reportOutcome(outcome);
        return;
    }
    const char* entryPath = nullptr;
    curl_easy_getinfo(m_session->connection, CURLINFO_FTP_ENTRY_PATH, &entryPath);
    m_curDir = entryPath && *entryPath == '/' ? fromNativePath(QByteArray(entryPath)) : QStringLiteral("/");
    qCDebug(lcUpdate) << "connected to" << m_session->baseUrl << "in" << m_curDir;
}

void McWinFTP::CloseSession()
{
    CloseFind();
    if (!m_session->connection)
        return;
    // Sends QUIT on a live connection, within the time limits of the last call.
    curl_easy_cleanup(m_session->connection);
    m_session->connection = nullptr;
    m_curDir.clear();
}

QString McWinFTP::CurDir()
{
    if (!requireConnection())
        return {};
    QString reply;
    if (!runCommands({"CWD " + toNativePath(m_curDir), "PWD"}, &reply))
        return {};
    const QString path = parsePwdReply(reply);
    if (path.isEmpty()) {
        ReportFtpError(FtpExtendedError, reply);
        return {};
    }
    // What the caller reads is cut as a 260-character buffer would hold it; the session keeps its folder.
    return path.left(MaxEntryName);
}

void McWinFTP::setCurDir(const QString& szDir)
{
    if (!requireConnection())
        return;
    QString rest = szDir;
    if (rest.startsWith(u'/') || rest.startsWith(u'\\'))
        rest.remove(0, 1);
    if (!checkName(rest))
        return;
    QString reply;
    if (!runCommands({"CWD " + toNativePath(m_curDir), "CWD " + toNativePath(rest), "PWD"}, &reply))
        return;
    const QString path = parsePwdReply(reply);
    if (path.isEmpty()) {
        ReportFtpError(FtpExtendedError, reply);
        return;
    }
    m_curDir = path;
}

bool McWinFTP::PutFile(const QString& szLocalFile, const QString& szRemoteFile, int nTransfer)
{
    if (!requireConnection() || !checkName(szRemoteFile))
        return false;
    if (szRemoteFile.isEmpty() || szRemoteFile.endsWith(u'/')) {
        ReportFtpError(FtpInvalidName);
        return false;
    }
    const QByteArray local = toNativePath(szLocalFile);
    const int fd = local.isEmpty() ? -1 : ::open(local.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ReportFtpError(local.isEmpty() ? FtpFileNotFound : numberForErrno(errno, FtpFileNotFound));
        return false;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        ReportFtpError(FtpAccessDenied);
        return false;
    }
    FtpRequest request;
    request.kind = FtpRequest::Kind::Upload;
    request.urlPath = urlPathFor(absolutePath(szRemoteFile), false);
    request.fd = fd;
    request.ascii = nTransfer == TransferAscii;
    request.uploadSize = info.st_size;
    const FtpOutcome outcome = perform(request);
    ::close(fd);
    if (!outcome.ok()) {
        reportOutcome(outcome);
        return false;
    }
    return true;
}

bool McWinFTP::GetFile(const QString& szRemoteFile, const QString& szLocalFile, bool bFailExists,
                       int nTransfer)
{
    if (!requireConnection() || !checkName(szRemoteFile))
        return false;
    if (szRemoteFile.isEmpty() || szRemoteFile.endsWith(u'/')) {
        ReportFtpError(FtpInvalidName);
        return false;
    }
    const QByteArray target = toNativePath(szLocalFile);
    if (target.isEmpty() || target.endsWith('/')) {
        ReportFtpError(FtpPathNotFound);
        return false;
    }
    struct stat existing
    {
    };
    if (bFailExists && ::lstat(target.constData(), &existing) == 0) {
        ReportFtpError(FtpFileExists);
        return false;
    }
    QByteArray temporary;
    const int fd = createTemporaryBeside(target, &temporary);
    if (fd < 0) {
        ReportFtpError(numberForErrno(errno, FtpPathNotFound));
        return false;
    }
    FtpRequest request;
    request.kind = FtpRequest::Kind::Download;
    request.urlPath = urlPathFor(absolutePath(szRemoteFile), false);
    request.fd = fd;
    request.ascii = nTransfer == TransferAscii;
    request.limit = m_downloadLimit;
    FtpOutcome outcome = perform(request);
    int error = 0;
    if (outcome.ok() && !request.limitReached) {
        const QByteArray rest = request.text.finish();
        writeAll(fd, rest.constData(), static_cast<size_t>(rest.size()), &error);
    }
    if (outcome.ok() && error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (outcome.ok() && error == 0) {
        int renamed = 0;
        if (bFailExists) {
            // Never replaces: an existing name (even one made meanwhile) is refused.
            renamed =
                ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
            if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
                renamed = ::link(temporary.constData(), target.constData());
                if (renamed == 0)
                    ::unlink(temporary.constData());
            }
        } else {
            renamed = ::rename(temporary.constData(), target.constData());
        }
        if (renamed == 0)
            return true;
        error = errno;
    }
    ::unlink(temporary.constData());
    if (!outcome.ok())
        reportOutcome(outcome);
    else
        ReportFtpError(numberForErrno(error, FtpPathNotFound));
    return false;
}

bool McWinFTP::RenameFile(const QString& szExistFile, const QString& szNewFile)
{
    if (!requireConnection() || !checkName(szExistFile) || !checkName(szNewFile))
        return false;
    return runCommands({"CWD " + toNativePath(m_curDir), "RNFR " + toNativePath(szExistFile),
                        "RNTO " + toNativePath(szNewFile)});
}

bool McWinFTP::DeleteFile(const QString& szRemoteFile)
{
    if (!requireConnection() || !checkName(szRemoteFile))
        return false;
    return runCommands({"CWD " + toNativePath(m_curDir), "DELE " + toNativePath(szRemoteFile)});
}

bool McWinFTP::CreateDir(const QString& szRemoteDir)
{
    if (!requireConnection() || !checkName(szRemoteDir))
        return false;
    return runCommands({"CWD " + toNativePath(m_curDir), "MKD " + toNativePath(szRemoteDir)});
}

bool McWinFTP::RemoveDir(const QString& szRemoteDir)
{
    if (!requireConnection() || !checkName(szRemoteDir))
        return false;
    return runCommands({"CWD " + toNativePath(m_curDir), "RMD " + toNativePath(szRemoteDir)});
}

void McWinFTP::CloseFind()
{
    m_listing.clear();
    m_listingNext = 0;
    m_searchOpen = false;
}

void McWinFTP::FillRemoteFile(const FtpListEntry& entry)
{
    m_remoteFile.SearchEnd = false;
    QString name = entry.name;
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0)
        name.truncate(nul);
    if (name.size() > MaxEntryName)
        name.truncate(name.at(MaxEntryName - 1).isHighSurrogate() ? MaxEntryName - 1 : MaxEntryName);
    m_remoteFile.FileName = name;
    m_remoteFile.FileSize = static_cast<double>(entry.size);
    m_remoteFile.FileDate = entry.date;
    m_remoteFile.FileType = entry.directory ? FTPFile::DirectoryType : 0;
}

void McWinFTP::FindFile(const QString& szSearchString)
{
    CloseFind();
    m_remoteFile = FTPFile{};
    m_remoteFile.SearchEnd = false;
    if (!requireConnection() || !checkName(szSearchString)) {
        m_remoteFile.SearchEnd = true;
        return;
    }
    const qsizetype slash = szSearchString.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QString() : szSearchString.left(slash == 0 ? 1 : slash);
    const QString last = szSearchString.mid(slash + 1);
    QString listed;
    QString pattern;
    if (last.contains(u'*') || last.contains(u'?')) {
        listed = absolutePath(folder);
        pattern = last;
    } else {
        listed = absolutePath(szSearchString);
    }
    FtpRequest request;
    request.kind = FtpRequest::Kind::List;
    request.urlPath = urlPathFor(listed, true);
    const FtpOutcome outcome = perform(request);
    if (!outcome.ok()) {
        reportOutcome(outcome);
        m_remoteFile.SearchEnd = true;
        return;
    }
    for (FtpListEntry& entry : parseListing(request.listing, QDate::currentDate())) {
        if (matchesPattern(entry.name, pattern))
            m_listing.append(std::move(entry));
    }
    if (m_listing.isEmpty()) {
        ReportFtpError(FtpNoMoreFiles);
        return;
    }
    m_searchOpen = true;
    m_listingNext = 1;
    FillRemoteFile(m_listing.first());
}

void McWinFTP::NextFile()
{
    if (m_remoteFile.SearchEnd)
        return;
    if (!m_searchOpen) {
        ReportFtpError(FtpInvalidHandle);
        return;
    }
    if (m_listingNext >= m_listing.size()) {
        ReportFtpError(FtpNoMoreFiles);
        return;
    }
    FillRemoteFile(m_listing.at(m_listingNext++));
}

} // namespace vello
