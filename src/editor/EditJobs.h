// The work of the three tools, run off the window thread: RealMedia join and cut through the RealMedia
// engine, MPEG join by copying bytes in the kernel.
#pragma once

#include "OutputTarget.h"

#include <QString>
#include <QStringList>

#include <atomic>

namespace vello::editor {

/// Shared between a job and the window thread: the job publishes its progress; the window thread may
/// ask it to stop (the job then ends as failed, leaving nothing behind).
struct JobControl
{
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
};

struct JobOutcome
{
    bool ok = false;
    /// One Japanese text for the user when the job failed.
    QString error;
    /// Names of later MPEG inputs that were skipped because they no longer exist or are not files.
    QStringList skipped;
};

/// Each job reads its inputs, writes the temporary file of `output`, and commits it (an existing output
/// to the trash, the temporary file renamed). On failure the temporary file is removed and the inputs
/// and an existing output are untouched. Blocking; any one thread; no Qt event loop needed.
class EditJobs final
{
public:
    /// Opens inputs[0], appends the others in order, sets the title when it is not empty, writes.
    static JobOutcome joinRealMedia(const QStringList& inputs, const QString& title, OutputTarget& output,
                                    JobControl& control);
    /// Keeps startMs to endMs (milliseconds) of source.
    static JobOutcome cutRealMedia(const QString& source, qint32 startMs, qint32 endMs, OutputTarget& output,
                                   JobControl& control);
    /// Copies inputs[0] and appends every later input that exists, byte for byte, in order (later inputs
    /// that no longer exist or are not files are skipped). Each input is copied whole or the job fails
    /// (naming the input that could not be read, or the output that could not be written).
    static JobOutcome joinMpeg(const QStringList& inputs, OutputTarget& output, JobControl& control);

    /// Text of a stopped job (the program is ending).
    static QString cancelledText() { return QStringLiteral("処理が中断されました。"); }
};

} // namespace vello::editor
