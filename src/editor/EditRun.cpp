#include "EditRun.h"

#include "Helpers.h"
#include "Logging.h"
#include "M_MAIN.h"
#include "MessageService.h"
#include "NativePath.h"
#include "RmFile.h"

#include <QLocale>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace vello::editor {

namespace {

QString waitMessage(ToolKind kind)
{
    // The cut shows the join's text, as it always has.
    return WaitWindow::message(kind == ToolKind::MpgJoin ? QStringLiteral("MPGﾌｧｲﾙの結合を行っています")
                                                         : QStringLiteral("RMﾌｧｲﾙの結合を行っています"));
}

std::optional<double> number(const QString& text)
{
    bool ok = false;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint32> position(const QString& text, const QString& name, bool throughSingle, QString* error)
{
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    std::optional<double> value = number(text);
    if (!value)
        return fail(name + QStringLiteral("には数値（ミリ秒）を指定してください。"));
    double ms = *value;
    if (throughSingle)
        ms = static_cast<double>(static_cast<float>(ms));
    if (ms < -0.5)
        return fail(name + QStringLiteral("には0以上の数値を指定してください。"));
    if (ms >= double(std::numeric_limits<qint32>::max()) + 0.5)
        return fail(name + QStringLiteral("の値が大きすぎます。"));
    return static_cast<qint32>(roundHalfEven(ms));
}

/// Whether the inputs together stay within the 4 GB a RealMedia file can address. The join keeps every
/// packet of every input and drops only the later inputs' headers and indexes (a tiny share), so inputs
/// adding up past it would fail, and only after all of them were read; the engine still checks the
/// exact size for the few that come within a hair of the limit.
bool fitsRealMedia(const QStringList& inputs)
{
    quint64 total = 0;
    for (const QString& input : inputs) {
        struct stat st
        {
        };
        if (::stat(toNativePath(input).constData(), &st) == 0 && S_ISREG(st.st_mode))
            total += quint64(st.st_size);
    }
    return total <= std::numeric_limits<quint32>::max();
}

} // namespace

EditRun::EditRun(RunGate& gate, QObject* parent) : QObject(parent), m_gate(gate)
{
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, &EditRun::publishProgress);
    connect(&m_watcher, &QFutureWatcher<JobOutcome>::finished, this, &EditRun::workDone);
    connect(&m_wait, &WaitWindow::stopRequested, this, [this] {
        if (!m_watcher.isRunning())
            return;
        m_stopAsked = true;
        m_control.cancel.store(true);
    });
}

EditRun::~EditRun()
{
    if (m_watcher.isRunning()) {
        m_control.cancel.store(true);
        m_watcher.waitForFinished();
    }
    if (m_running)
        m_gate.m_busy = false;
}

std::optional<qint32> EditRun::startPosition(const QString& text, QString* error)
{
    return position(text, QStringLiteral("開始位置"), true, error);
}

std::optional<qint32> EditRun::endPosition(const QString& text, QString* error)
{
    return position(text, QStringLiteral("終了位置"), false, error);
}

QString EditRun::sourcePath(const QString& source)
{
    if (!source.startsWith(QStringLiteral("file://"), Qt::CaseInsensitive))
        return source;
    QString rest = source.mid(7);
    if (rest.startsWith(QStringLiteral("localhost/"), Qt::CaseInsensitive))
        rest = rest.mid(9);
    return fromNativePath(QByteArray::fromPercentEncoding(toNativePath(rest)));
}

bool EditRun::refuse(const QString& text)
{
    MessageService::critical(text);
    emit finished(Outcome::Refused);
    return false;
}

bool EditRun::start(const RunRequest& request)
{
    const ScopedMessageOwner owner(m_owner);
    if (m_running || m_gate.busy()) {
        MessageService::warning(busyText());
        emit finished(Outcome::Refused);
        return false;
    }
    m_request = request;
    m_written.clear();
    QString error;
    std::optional<qint32> from;
    std::optional<qint32> to;
    QString source;
    if (request.kind == ToolKind::RaCut) {
        if (request.fromText.isEmpty())
            return refuse(QStringLiteral("開始位置を指定してください"));
        if (request.toText.isEmpty())
            return refuse(QStringLiteral("終了位置を指定してください"));
        from = startPosition(request.fromText, &error);
        if (!from)
            return refuse(error);
        to = endPosition(request.toText, &error);
        if (!to)
            return refuse(error);
        source = sourcePath(request.source);
        if (source.isEmpty())
            return refuse(QStringLiteral("切り抜くファイルを一覧でダブルクリックして再生してください。"));
    } else if (request.inputs.isEmpty()) {
        return refuse(QStringLiteral("ｲﾝﾌﾟｯﾄﾌｧｲﾙを追加してください。"));
    } else if (request.kind == ToolKind::RaJoin && !fitsRealMedia(request.inputs)) {
        return refuse(QString::fromStdString(rm::RmFile::errorText(rm::toInt(rm::RmError::OutputTooLarge))));
    }
    m_output = OutputTarget::prepare(request.output, &error);
    if (!m_output)
        return refuse(error);

    emit started();
    if (!m_wait.start(waitMessage(request.kind), request.window)) {
        m_output.reset();
        return refuse(m_wait.errorText());
    }

    m_gate.m_busy = true;
    m_running = true;
    m_stopAsked = false;
    m_control.cancel.store(false);
    m_control.permille.store(0);
    OutputTarget* output = &*m_output;
    JobControl* control = &m_control;
    const RunRequest r = m_request;
    const qint32 start = from.value_or(0);
    const qint32 end = to.value_or(0);
    qCDebug(lcEditor) << "run started:" << int(r.kind) << displayPath(output->target());
    m_watcher.setFuture(QtConcurrent::run([r, output, control, source, start, end]() -> JobOutcome {
        switch (r.kind) {
        case ToolKind::RaJoin:
            return EditJobs::joinRealMedia(r.inputs, r.title, *output, *control);
        case ToolKind::RaCut:
            return EditJobs::cutRealMedia(source, start, end, *output, *control);
        case ToolKind::MpgJoin:
            return EditJobs::joinMpeg(r.inputs, *output, *control);
        }
        return {};
    }));
    m_progressTimer.start();
    return true;
}

void EditRun::publishProgress()
{
    // Until the work reports its first step (the inputs are being opened) the bar stays busy.
    const int permille = m_control.permille.load();
    if (permille <= 0)
        return;
    const int percent = qBound(0, permille / 10, 100);
    m_wait.setProgress(percent);
    emit progress(percent);
}

void EditRun::workDone()
{
    m_progressTimer.stop();
    publishProgress();
    const JobOutcome outcome = m_watcher.result();
    const QString target = m_output ? m_output->target() : QString();
    m_output.reset();
    m_wait.close();
    qCDebug(lcEditor) << "work done:" << outcome.ok << outcome.error;
    // The window is back to normal before the user is told or asked anything.
    emit workEnded();
    const ScopedMessageOwner owner(m_owner);

    if (!outcome.ok) {
        if (m_stopAsked)
            MessageService::warning(stoppedText());
        else
            MessageService::critical(outcome.error);
        end(Outcome::Failed);
        return;
    }
    m_written = target;
    if (m_request.kind == ToolKind::RaCut) {
        MessageService::information(QStringLiteral("切り抜きに成功しました"));
        end(Outcome::Succeeded);
        return;
    }
    if (MessageService::question(deleteQuestionText(), true)) {
        // Every listed input goes to the trash, except the file just written (the output may be one of
        // them, under its own or another name).
        const std::optional<FileIdentity> written = FileIdentity::of(target);
        QStringList kept;
        for (const QString& input : m_request.inputs) {
            if (written && FileIdentity::of(input) == written) {
                qCInfo(lcEditor) << "the result is not moved to the trash:" << displayPath(input);
                continue;
            }
            QString reason;
            if (!M_MAIN::RecycleFile(input, &reason)) {
                qCInfo(lcError) << "input could not be moved to the trash:" << displayPath(input) << reason;
                kept << QStringLiteral("「") + displayPath(input) + QStringLiteral("」") + reason;
            }
        }
        if (!kept.isEmpty()) {
            // Each file with its reason, the first ten of a long list.
            constexpr qsizetype shown = 10;
            QString text = notTrashedText() + u'\n' + kept.mid(0, shown).join(u'\n');
            if (kept.size() > shown)
                text += QStringLiteral("\nほか%1件").arg(kept.size() - shown);
            MessageService::warning(text);
        }
    }
    MessageService::information(QStringLiteral("処理が正常終了しました"));
    end(Outcome::Succeeded);
}

void EditRun::end(Outcome outcome)
{
    m_running = false;
    m_gate.m_busy = false;
    emit finished(outcome);
}

} // namespace vello::editor
