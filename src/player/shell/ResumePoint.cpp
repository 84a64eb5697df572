#include "ResumePoint.h"

#include "Logging.h"
#include "NativePath.h"

namespace vello {

namespace {

const QString FolderKey = QStringLiteral("RESUME_FOLDER");
const QString FileKey = QStringLiteral("RESUME_FILE");
const QString PositionKey = QStringLiteral("RESUME_POSITION");

} // namespace

bool ResumePoint::partway(qint64 positionMs, qint64 lengthMs)
{
    return positionMs > MarginMs && positionMs < lengthMs - MarginMs;
}

bool ResumePoint::leave(const QString& file, qint64 positionMs, qint64 lengthMs)
{
    const QString name = fileNameOf(file);
    const QString folder = folderOf(file);
    if (!partway(positionMs, lengthMs) || name.isEmpty() || folder.isEmpty()) {
        // Another clip tried for a moment leaves the remembered one as it is.
        finished(file);
        return stored().has_value();
    }
    m_store.setValue(FolderKey, folder.endsWith(u'/') ? folder : folder + u'/');
    m_store.setValue(FileKey, name);
    m_store.setNumber(PositionKey, double(positionMs));
    m_store.sync();
    qCInfo(lcShell) << "resume point:" << file << positionMs << "ms";
    return true;
}

void ResumePoint::finished(const QString& file)
{
    const auto point = stored();
    if (point && point->path() == file)
        forget();
}

void ResumePoint::forget()
{
    if (!m_store.value(FileKey))
        return;
    m_store.remove(FolderKey);
    m_store.remove(FileKey);
    m_store.remove(PositionKey);
    m_store.sync();
}

std::optional<ResumePoint::Point> ResumePoint::stored() const
{
    Point point;
    point.folder = m_store.text(FolderKey);
    point.name = m_store.text(FileKey);
    const QString position = m_store.text(PositionKey);
    if (point.folder.isEmpty() || point.name.isEmpty() || !WindowStateStore::isNumber(position))
        return std::nullopt;
    if (!point.folder.endsWith(u'/'))
        point.folder += u'/';
    // A hand-edited value stays within what a clip can last (a year).
    point.positionMs = qint64(qBound(0.0, WindowStateStore::toNumber(position), 3.2e10));
    return point;
}

std::optional<ResumePoint::Point> ResumePoint::available() const
{
    auto point = stored();
    if (!point)
        return std::nullopt;
    if (isDirectory(point->folder) && isRegularFile(point->path()))
        return point;
    if (m_reportedMissing != point->path()) {
        m_reportedMissing = point->path();
        qCInfo(lcShell) << "the clip to continue is gone; the command is not offered:" << point->path();
    }
    return std::nullopt;
}

} // namespace vello
