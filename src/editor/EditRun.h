// One run of a tool (join, cut, MPEG join): checks, wait window, the work off the window thread, and the
// messages and questions that follow.
#pragma once

#include "EditJobs.h"
#include "OutputTarget.h"
#include "ToolKind.h"
#include "WaitWindow.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace vello::editor {

/// What a tool window hands to its run.
struct RunRequest
{
    ToolKind kind = ToolKind::RaJoin;
    QStringList inputs;  ///< the join windows' input list, in order
    QString title;       ///< RealMedia join: the new title; empty keeps the first input's
    QString source;      ///< cut: the preview's source (a path or a file:// address)
    QString fromText;    ///< cut: start position in milliseconds, as typed
    QString toText;      ///< cut: end position in milliseconds, as typed
    QString output;      ///< the output file
    quintptr window = 0; ///< the asking window's native id: the wait window stays above it (0: none)
};

/// One run at a time in the process: every tool window's run shares one gate.
class RunGate final
{
public:
    bool busy() const { return m_busy; }

private:
    friend class EditRun;
    bool m_busy = false;
};

/// Runs a tool's operation. start() checks the request (inputs, output, positions, the 4 GB of a
/// RealMedia file) and refuses with one message before anything is written; then it starts the wait
/// window and the work on a worker thread, passes the work's progress to the wait window, and stops the
/// work when the user asks the wait window to. When the work ends it closes the wait window, emits
/// workEnded() and shows the outcome: the failure text, or for the joins the question about the inputs
/// and "処理が正常終了しました", for the cut "切り抜きに成功しました". The window thread stays free
/// throughout. Messages go through MessageService and belong to the owner. Window thread only.
class EditRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditRun)

public:
    enum class Outcome
    {
        Refused,   ///< a check failed, nothing was started or written
        Failed,    ///< the work failed; the temporary file was removed, inputs and old output untouched
        Succeeded, ///< the output is in place
    };
    Q_ENUM(Outcome)

    explicit EditRun(RunGate& gate, QObject* parent = nullptr);
    /// A running job is asked to stop and waited for; its temporary file is removed.
    ~EditRun() override;

    /// Starts the run. Returns false when it was refused (the message was shown; finished() follows
    /// with Refused). Returns true when the work has started; finished() follows when all is done.
    bool start(const RunRequest& request);
    bool isRunning() const { return m_running; }
    /// The window whose run this is: its messages belong to it (may be null).
    void setOwner(QObject* owner) { m_owner = owner; }
    /// The file the last run wrote (the output, or the file its link points to).
    QString writtenFile() const { return m_written; }

    /// The start and end positions as the cut takes them: the start through single precision, both
    /// rounded half to even to whole milliseconds. nullopt with *error set (Japanese) when the text is
    /// not a number, is negative or does not fit.
    static std::optional<qint32> startPosition(const QString& text, QString* error);
    static std::optional<qint32> endPosition(const QString& text, QString* error);
    /// The preview's source as a path: a "file://" address loses its scheme (and "localhost") and its
    /// %XX escapes are decoded; anything else is taken as a path.
    static QString sourcePath(const QString& source);

    static QString busyText()
    {
        return QStringLiteral("ほかの処理を実行中です。処理が終わってから実行してください。");
    }
    static QString closeRefusedText()
    {
        return QStringLiteral("処理の実行中は閉じることができません。処理が終わるまでお待ちください。");
    }
    static QString deleteQuestionText()
    {
        return QStringLiteral("結合処理が終了しました\n引き続き、ｲﾝﾌﾟｯﾄﾌｧｲﾙの削除を行いますか？");
    }
    static QString stoppedText()
    {
        return QStringLiteral("処理を中止しました。ｲﾝﾌﾟｯﾄﾌｧｲﾙと元のｱｳﾄﾌﾟｯﾄﾌｧｲﾙはそのまま残っています。");
    }
    static QString notTrashedText() { return QStringLiteral("ごみ箱に移せなかったｲﾝﾌﾟｯﾄﾌｧｲﾙがあります。"); }

signals:
    /// The checks passed and the work begins.
    void started();
    /// Progress of the work, 0 to 100.
    void progress(int percent);
    /// The work has ended and the wait window is closed; the outcome's messages follow, then finished().
    void workEnded();
    void finished(vello::editor::EditRun::Outcome outcome);

private:
    bool refuse(const QString& text);
    void workDone();
    void publishProgress();
    void end(Outcome outcome);

    RunGate& m_gate;
    RunRequest m_request;
    std::optional<OutputTarget> m_output;
    JobControl m_control;
    QFutureWatcher<JobOutcome> m_watcher;
    WaitWindow m_wait;
    QTimer m_progressTimer;
    QString m_written;
    QObject* m_owner = nullptr;
    bool m_running = false;
    bool m_stopAsked = false;
};

} // namespace vello::editor
