// The keyframes of the file in the cut window's preview: where a cut of it really starts, and where the
// preview can step to.
#pragma once

#include "KeyframeIndex.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

namespace vello::editor {

/// Reads the keyframes of one RealMedia file off the window thread (rm::readKeyframes: milliseconds with
/// a complete index, else one pass over the file) and answers the cut window's questions about them.
/// Choosing another file cancels a read still going, and so does destroying the model; the window
/// thread never waits for a read. Positions are milliseconds as the preview and the cut take them.
/// Window thread only.
class KeyframeModel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyframeModel)

public:
    enum class State
    {
        Empty,     ///< no file
        Reading,   ///< the file is being read (percent() tells how far)
        Ready,     ///< the keyframes are known (partial() when damage stopped the read)
        SoundOnly, ///< the file has no picture: a cut starts where asked
        Failed,    ///< the file could not be read (failureText() tells why)
    };
    Q_ENUM(State)

    explicit KeyframeModel(QObject* parent = nullptr);
    /// A read still going is asked to stop and left to end on its own.
    ~KeyframeModel() override;

    /// The preview's source (a path or a file address, as the cut takes it). Another file is read; the
    /// same file again keeps what was read; empty text forgets the file.
    void setSource(const QString& source);
    QString path() const { return m_path; }

    State state() const { return m_state; }
    /// How much of the file was read, 0 to 100, while Reading.
    int percent() const;
    /// Damage in the file stopped the read: keyframes after it are missing.
    bool partial() const { return m_list.damage != rm::RmError::Ok; }
    QString failureText() const { return m_failure; }
    /// The keyframes a cut can start on (for a multi-rate file, the times all its encodings share).
    const QList<qint32>& times() const { return m_times; }

    /// The keyframe before or after positionMs, ignoring one within a few milliseconds of it (the
    /// preview's position after a step); nothing when there is none.
    std::optional<qint32> previous(qint32 positionMs) const;
    std::optional<qint32> next(qint32 positionMs) const;

    /// The start a cut of the file gets for the start box's text (read as the cut reads it); nothing
    /// when it is not known: not read yet, sound only, text that is no start, no keyframe.
    std::optional<qint32> realStart(const QString& startBoxText) const;
    /// The line under the start box: "実際の開始位置: 87.340 秒", or what keeps it from being known.
    QString realStartText(const QString& startBoxText) const;
    /// Milliseconds as seconds with three decimals: 87340 -> "87.340".
    static QString secondsText(qint32 ms);

signals:
    /// The state, the keyframes or the progress changed.
    void changed();

private:
    struct Job;
    struct Outcome;
    void readDone(const Outcome& outcome);

    QString m_path;
    State m_state = State::Empty;
    rm::KeyframeList m_list;
    QList<qint32> m_times;
    QString m_failure;
    std::shared_ptr<Job> m_job;
    QTimer m_progressTimer;
    int m_shownPermille = -1;
};

} // namespace vello::editor
