#include "RmTitleLookup.h"

#include "Helpers.h"
#include "NativePath.h"
#include "RmFile.h"

#include <QtConcurrent/QtConcurrentRun>

namespace vello::editor {

RmTitleLookup::RmTitleLookup(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<std::optional<QString>>::finished, this, [this] {
        const std::optional<QString> title = m_watcher.result();
        if (m_hasPending) {
            // A newer click came while this file was read: only its title counts.
            m_hasPending = false;
            request(m_pending);
            return;
        }
        if (title)
            emit titleFound(m_path, *title);
    });
}

RmTitleLookup::~RmTitleLookup()
{
    m_watcher.waitForFinished();
}

void RmTitleLookup::request(const QString& path)
{
    if (m_watcher.isRunning()) {
        if (path == m_path && !m_hasPending)
            return; // being read already
        m_pending = path;
        m_hasPending = true;
        return;
    }
    m_path = path;
    m_watcher.setFuture(QtConcurrent::run([path] { return readTitle(path); }));
}

std::optional<QString> RmTitleLookup::readTitle(const QString& path)
{
    int error = 0;
    const std::unique_ptr<rm::RmFile> file = rm::OpenRmFile(toNativePath(path).toStdString(), &error);
    if (!file)
        return std::nullopt;
    const std::string title = file->title();
    return decodeLegacyText(QByteArray(title.data(), qsizetype(title.size())));
}

} // namespace vello::editor
