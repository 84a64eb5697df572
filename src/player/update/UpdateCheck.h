// The update check: is there a newer version on the update server, and fetching its archive on request.
#pragma once

#include "UpdateServer.h"
#include "VersionNumber.h"

#include <QObject>
#include <QString>

#include <functional>

namespace vello {

class McWinFTP;

/// What the update window shows for the check. Window thread.
class UpdateView
{
public:
    virtual ~UpdateView() = default;
    /// The step's text (lblMsg).
    virtual void showStep(const QString& text) = 0;
    /// The busy pointer while the archive downloads.
    virtual void setBusy(bool busy) = 0;
    /// Bytes of the archive received so far and its size (0: unknown).
    virtual void showProgress(qint64 done, qint64 total) = 0;
    /// Lets the user choose a folder; the chosen folder, or empty text when the user cancels.
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;
};

/**
 * Runs the update check once, start to end, in one call to run():
 *   "最新バージョンを確認中"; a dial-up question when no dial-up link is active (Yes: "connect first" and
 *   end; No: go on); connect to the update server (passive); fetch "vpver.ini" beside Config.ini, read
 *   its first line (at most VersionHeadBytes bytes are fetched), delete it; compare with the program's
 *   own number; when the server's is greater, ask, let the user choose a folder (starting at the program
 *   folder) and download "Vello.lzh" there. Every path ends with one message through MessageService.
 *
 * The server work runs on a worker thread while run() keeps the calling thread's event loop running, so
 * the windows keep painting; each step is bounded by the FTP client's time limits. cancel() (e.g. the
 * user closing the window) ends the running step; the check then says "処理を中止しました".
 *
 * Window thread. The view is not owned and must outlive the object.
 */
class UpdateCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateCheck)

public:
    enum class Result
    {
        DialUpNotConnected, // the user said the link is dial-up and down
        ConnectFailed,
        VersionFileFailed,
        UpToDate,
        Declined, // no download wanted, or no folder chosen
        Downloaded,
        DownloadFailed,
        Cancelled,
    };

    struct Options
    {
        UpdateServer server = UpdateServer::configured();
        VersionNumber localVersion = VersionNumber::program();
        QString netRoot = QStringLiteral("/sys/class/net");
        int connectTimeoutMs = 15000;
        int stallTimeoutMs = 30000;
        QString caFile; // empty: the system's certificate store
    };

    static constexpr qint64 VersionHeadBytes = 4096;

    explicit UpdateCheck(UpdateView& view, QObject* parent = nullptr);
    UpdateCheck(UpdateView& view, Options options, QObject* parent = nullptr);
    ~UpdateCheck() override;

    /// Runs every step; returns when the check has ended (its last message answered).
    Result run();
    /// Ends the running step and the check. Any time, also while run() is not active (then nothing).
    void cancel();
    bool isRunning() const { return m_running; }

    static QString versionFileName() { return QStringLiteral("vpver.ini"); }
    static QString archiveName() { return QStringLiteral("Vello.lzh"); }

private:
    Result check();
    /// Runs work on a worker thread and the event loop here until it is done.
    void runOffThread(const std::function<void()>& work);
    bool stopped() const;

    UpdateView& m_view;
    Options m_options;
    McWinFTP* m_ftp = nullptr; // lives for one check
    bool m_running = false;
    bool m_cancelled = false;
};

} // namespace vello
