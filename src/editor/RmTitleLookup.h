// Reads the title of a RealMedia input off the window thread, for the join window's title box.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <optional>

namespace vello::editor {

/// request() opens the file with the RealMedia engine on a worker thread and reads its title; titleFound
/// follows on the window thread for the latest request only. A file that cannot be opened gives no
/// signal. Window thread only.
class RmTitleLookup final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RmTitleLookup)

public:
    explicit RmTitleLookup(QObject* parent = nullptr);
    /// Waits for a lookup that is still reading.
    ~RmTitleLookup() override;

    void request(const QString& path);
    bool isBusy() const { return m_watcher.isRunning(); }

    /// The title of a file (stored bytes decoded as UTF-8, else as legacy Shift-JIS); nullopt when it
    /// cannot be opened as RealMedia. Blocking; any thread.
    static std::optional<QString> readTitle(const QString& path);

signals:
    void titleFound(const QString& path, const QString& title);

private:
    QFutureWatcher<std::optional<QString>> m_watcher;
    QString m_path;
    QString m_pending;
    bool m_hasPending = false;
};

} // namespace vello::editor
