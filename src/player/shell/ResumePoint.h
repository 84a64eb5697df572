// "前回の続きから再生": the clip left partway through and the position it was left at.
#pragma once

#include "WindowStateStore.h"

#include <QString>

#include <optional>

namespace vello {

/**
 * The clip the user left partway through, kept in the per-user store beside the window state (section
 * "CONFIG", keys "RESUME_FOLDER", "RESUME_FILE" and "RESUME_POSITION", the position in milliseconds).
 * Paths are in the escaped form of NativePath.h and keep their bytes. Widget-free; window thread only.
 */
class ResumePoint
{
public:
    /// A clip is left partway through when more than this is played and more than this is left.
    static constexpr qint64 MarginMs = 10000;

    struct Point
    {
        QString folder; ///< ends with "/"
        QString name;   ///< file name within folder
        qint64 positionMs = 0;

        QString path() const { return folder + name; }
    };

    static bool partway(qint64 positionMs, qint64 lengthMs);

    /// The clip at file is left (stopped, or the program ends) at positionMs of lengthMs: remembered when
    /// partway through; otherwise, when it is the remembered clip, that is forgotten (another clip left
    /// near its start or end changes nothing). Returns whether a point is remembered afterwards.
    bool leave(const QString& file, qint64 positionMs, qint64 lengthMs);
    /// Forgets the point when it is file (the clip was played to its end).
    void finished(const QString& file);
    void forget();

    /// The remembered point, read from the store; nothing when there is none or it cannot be read.
    std::optional<Point> stored() const;
    /// stored(), when its folder and clip still exist. A point whose folder or clip is gone gives nothing
    /// and a line on the log (once for each point).
    std::optional<Point> available() const;

private:
    WindowStateStore m_store;
    mutable QString m_reportedMissing;
};

} // namespace vello
