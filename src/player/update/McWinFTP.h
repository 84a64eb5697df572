// A small FTP client over libcurl: one session, one server connection, transfers, directory work and a
// listing read one entry at a time; failures are reported by the FTPFrr signal.
#pragma once

#include "FTPFile.h"
#include "FtpListing.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

namespace vello {

namespace detail {
struct FtpRequest;
struct FtpOutcome;
} // namespace detail

/// The numbers FTPFrr reports. They are the platform's internet-library numbers, which logs and callers
/// know; 12003 carries the server's last response as its text.
enum FtpErrorNumber : qint32
{
    FtpFileNotFound = 2,
    FtpPathNotFound = 3,
    FtpAccessDenied = 5,
    FtpInvalidHandle = 6,
    FtpOutOfMemory = 8,
    FtpNoMoreFiles = 18,
    FtpFileExists = 80,
    FtpDiskFull = 112,
    FtpInvalidName = 123,
    FtpTimeout = 12002,
    FtpExtendedError = 12003,
    FtpInternalError = 12004,
    FtpNameNotResolved = 12007,
    FtpCancelled = 12017,
    FtpCannotConnect = 12029,
    FtpConnectionAborted = 12030,
    FtpCertificateRejected = 12045,
    FtpSecureChannelError = 12157,
};

/// The Japanese description of an error number ("" for numbers without one).
QString ftpErrorDescription(qint32 number);
/// The text FTPFrr carries: the server's response for 12003, "サーバー名を解決できませんでした。" for 12007,
/// the description otherwise, and "エラーが発生しています。" when that leaves nothing.
QString ftpErrorText(qint32 number, const QString& serverResponse);

/**
 * An FTP client. Creating it opens the session (hInternet); OpenSession connects and logs in (hFTP
 * becomes non-zero); every other method works on that connection. A server that offers TLS is used over
 * explicit TLS (AUTH TLS, protected data connections) with its certificate verified against the system's
 * store (or setCaFile); a failed verification is a failed connection. Other servers are used in plain.
 *
 * Errors: no method throws. A failing call emits FTPFrr(number, text) once and returns false (or leaves
 * hFTP at 0, or RemoteFile as it was). The end of a listing is no error: it sets RemoteFile().SearchEnd.
 *
 * Names: remote names are relative to CurDir unless they begin with "/"; they go to the server as
 * toNativePath gives them (UTF-8, escaped bytes as the bytes they stand for), and listed names come back
 * through fromNativePath. Names with CR, LF or NUL are refused
 * (FtpInvalidName) before anything is sent. Local paths are file-system paths.
 *
 * Time limits: connecting (TCP, TLS, greeting and login) at most 15 s; a reply that does not come within
 * 30 s, or a transfer whose data stops moving for 30 s, ends the call with FtpTimeout. Both limits can be
 * shortened (setTimeouts).
 *
 * Threads: every method blocks the calling thread until the server answered or a limit passed. Use the
 * object from one thread at a time (any thread); cancel() may be called from any thread. Signals are
 * emitted on the calling thread.
 */
class McWinFTP final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(McWinFTP)

public:
    /// The connection-flag value that stands for passive transfers.
    static constexpr quint32 PassiveFlagValue = 0x08000000;
    /// nTransfer values of PutFile and GetFile (anything but 1 is binary).
    static constexpr int TransferAscii = 1;
    static constexpr int TransferBinary = 2;
    static constexpr int DefaultConnectTimeoutMs = 15000;
    static constexpr int DefaultStallTimeoutMs = 30000;

    explicit McWinFTP(QObject* parent = nullptr);
    /// Releases RemoteFile, closes the connection (CloseSession, which may wait for the server's goodbye
    /// within the time limits) and the session.
    ~McWinFTP() override;

    QString ClassName() const { return QStringLiteral("McWinFTP Class Module"); }
    QString Version() const { return QStringLiteral("0.9 b"); }
    QString Copyright() const { return QStringLiteral("Copyright (C) Velloplayer developers"); }

    /// The session handle; non-zero while the object lives (0 only if the library failed at creation).
    quintptr hInternet() const;
    /// The connection handle; 0 when not connected.
    quintptr hFTP() const;

    qint32 RemotePort() const { return m_remotePort; }
    void setRemotePort(qint32 port) { m_remotePort = port; }
    /// Empty text stores no value; an unset value reads as empty text.
    QString RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString& host) { m_remoteHost = host; }
    /// An empty user name and password log in anonymously.
    QString User() const { return m_user; }
    void setUser(const QString& user) { m_user = user; }
    QString Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    /// True only when the stored connection flags are exactly PassiveFlagValue.
    bool PassiveFlag() const { return m_connectionFlags == PassiveFlagValue; }
    void setPassiveFlag(bool passive) { m_connectionFlags = passive ? PassiveFlagValue : 0; }

    /// Asks the server for the current directory, at most 260 characters of it; empty text (and FTPFrr)
    /// on failure. Reading changes nothing: later calls work in the whole current directory.
    QString CurDir();
    /// Changes the current directory. A leading "/" or "\" is dropped, so the rest is taken below the
    /// current directory. FTPFrr on failure (the current directory stays).
    void setCurDir(const QString& szDir);

    /// The current listing entry (see FindFile, NextFile).
    const FTPFile& RemoteFile() const { return m_remoteFile; }

    /// Connects to RemoteHost:RemotePort and logs in; hFTP stays 0 on failure.
    void OpenSession();
    /// Ends the listing and closes the connection (hFTP becomes 0).
    void CloseSession();
    /// Uploads a local file; nTransfer 1 sends it as text (line ends as CR LF), otherwise binary.
    bool PutFile(const QString& szLocalFile, const QString& szRemoteFile, int nTransfer);
    /// Downloads a file. bFailExists refuses an existing local file (FtpFileExists); otherwise it is
    /// replaced. The data goes to a temporary name in the same folder, renamed over the local name only
    /// when complete: a failed download leaves an existing file as it was and no partial file behind.
    /// nTransfer 1 receives text (CR LF becomes LF), otherwise binary.
    bool GetFile(const QString& szRemoteFile, const QString& szLocalFile, bool bFailExists, int nTransfer);
    bool RenameFile(const QString& szExistFile, const QString& szNewFile);
    bool DeleteFile(const QString& szRemoteFile);
    bool CreateDir(const QString& szRemoteDir);
    bool RemoveDir(const QString& szRemoteDir);
    /// Starts a listing and fills RemoteFile from its first entry. The pattern is a directory or file
    /// name, a name pattern with "*" and "?" (matched by this client), or a path ending in one; empty,
    /// "*" and "*.*" list the current directory. No entry sets SearchEnd; a failure reports FTPFrr and
    /// sets SearchEnd.
    void FindFile(const QString& szSearchString);
    /// Moves RemoteFile to the next entry; at the end sets SearchEnd. Without an open listing it reports
    /// FtpInvalidHandle and leaves SearchEnd false.
    void NextFile();

    /// Shortens or restores the time limits, in milliseconds: connecting, and a call that makes no
    /// progress (no reply, no data moved). A silent reply is noticed in whole seconds, rounded up.
    void setTimeouts(int connectMs, int stallMs);
    /// Certificate authorities for TLS servers, instead of the system's store (empty: the system's).
    void setCaFile(const QString& path) { m_caFile = path; }
    /// GetFile stops after this many bytes and counts the shortened file as complete (0: no limit).
    void setDownloadLimit(qint64 bytes) { m_downloadLimit = bytes; }
    /// Ends the running call (and the next ones until resetCancel) with FtpCancelled. Any thread.
    void cancel() { m_cancelled.store(true); }
    void resetCancel() { m_cancelled.store(false); }
    bool isCancelled() const { return m_cancelled.load(); }

signals:
    /// One failed call: the error number and its text (ftpErrorText).
    void FTPFrr(qint32 ErrNumber, const QString& ErrString);
    /// Bytes moved so far by the running transfer and its total (0 when the server did not tell).
    /// Emitted at most every 100 ms from the calling thread.
    void transferProgress(qint64 done, qint64 total);

private:
    struct Session;

    bool requireConnection();
    bool checkName(const QString& name);
    QString absolutePath(const QString& name) const;
    detail::FtpOutcome perform(detail::FtpRequest& request);
    void reportOutcome(const detail::FtpOutcome& outcome);
    void ReportFtpError(qint32 number, const QString& serverResponse = {});
    bool runCommands(const QList<QByteArray>& commands, QString* lastResponse = nullptr);
    void CloseFind();
    void FillRemoteFile(const FtpListEntry& entry);

    std::unique_ptr<Session> m_session;
    qint32 m_remotePort = 21;
    QString m_remoteHost;
    QString m_user;
    QString m_password;
    quint32 m_connectionFlags = 0;
    QString m_curDir; // absolute, as the server reported it
    FTPFile m_remoteFile;
    QList<FtpListEntry> m_listing;
    qsizetype m_listingNext = 0;
    bool m_searchOpen = false;
    int m_connectTimeoutMs = DefaultConnectTimeoutMs;
    int m_stallTimeoutMs = DefaultStallTimeoutMs;
    QString m_caFile;
    qint64 m_downloadLimit = 0;
    std::atomic<bool> m_cancelled{false};
};

} // namespace vello
