#include "KeyframeModel.h"

#include "EditRun.h"
#include "Logging.h"
#include "NativePath.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>

namespace vello::editor {

namespace {

/// A position within this of a keyframe counts as standing on it when stepping.
constexpr qint32 StepSlackMs = 5;

QString lead()
{
    return QStringLiteral("実際の開始位置: ");
}

} // namespace

struct KeyframeModel::Job
{
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
};

struct KeyframeModel::Outcome
{
    rm::RmError error = rm::RmError::Ok;
    rm::KeyframeList list;
};

KeyframeModel::KeyframeModel(QObject* parent) : QObject(parent)
{
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        const int now = m_job ? m_job->permille.load() / 10 : 0;
        if (now != m_shownPermille) {
            m_shownPermille = now;
            emit changed();
        }
    });
}

KeyframeModel::~KeyframeModel()
{
    if (m_job)
        m_job->cancel.store(true);
}

void KeyframeModel::setSource(const QString& source)
{
    const QString path = EditRun::sourcePath(source);
    if (path == m_path)
        return;
    if (m_job)
        m_job->cancel.store(true); // its result, when it comes, is dropped
    m_job.reset();
    m_progressTimer.stop();
    m_path = path;
    m_list = {};
    m_times.clear();
    m_failure.clear();
    m_shownPermille = -1;
    if (path.isEmpty()) {
        m_state = State::Empty;
        emit changed();
        return;
    }
    m_state = State::Reading;
    auto job = std::make_shared<Job>();
    m_job = job;
    auto* watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcher<Outcome>::finished, this, [this, watcher, job] {
        watcher->deleteLater();
        if (job == m_job)
            readDone(watcher->result());
    });
    const std::string file = toNativePath(path).toStdString();
    watcher->setFuture(QtConcurrent::run([job, file] {
        Outcome outcome;
        outcome.error = rm::readKeyframes(file, outcome.list, [&job](uint64_t done, uint64_t total) {
            job->permille.store(static_cast<int>(done * 1000 / std::max<uint64_t>(total, 1)));
            return !job->cancel.load();
        });
        return outcome;
    }));
    m_progressTimer.start();
    emit changed();
}

void KeyframeModel::readDone(const Outcome& outcome)
{
    m_progressTimer.stop();
    m_job.reset();
    m_list = outcome.list;
    if (outcome.error != rm::RmError::Ok) {
        m_state = State::Failed;
        m_failure = QString::fromStdString(rm::rmErrorText(rm::toInt(outcome.error)));
        qCInfo(lcError) << "keyframes could not be read:" << displayPath(m_path) << m_failure;
    } else if (m_list.audioOnly) {
        m_state = State::SoundOnly;
    } else {
        m_state = State::Ready;
        for (const uint32_t t : m_list.times())
            m_times.append(static_cast<qint32>(std::min<uint32_t>(t, INT32_MAX)));
        if (partial())
            qCInfo(lcError) << "keyframes read up to damage:" << displayPath(m_path);
    }
    emit changed();
}

int KeyframeModel::percent() const
{
    return m_state == State::Reading && m_job ? m_job->permille.load() / 10 : 0;
}

std::optional<qint32> KeyframeModel::previous(qint32 positionMs) const
{
    const auto it = std::lower_bound(m_times.cbegin(), m_times.cend(), positionMs - StepSlackMs);
    if (it == m_times.cbegin())
        return std::nullopt;
    return *std::prev(it);
}

std::optional<qint32> KeyframeModel::next(qint32 positionMs) const
{
    const auto it = std::upper_bound(m_times.cbegin(), m_times.cend(), positionMs + StepSlackMs);
    if (it == m_times.cend())
        return std::nullopt;
    return *it;
}

std::optional<qint32> KeyframeModel::realStart(const QString& startBoxText) const
{
    if (m_state != State::Ready || startBoxText.isEmpty())
        return std::nullopt;
    const std::optional<qint32> start = EditRun::startPosition(startBoxText, nullptr);
    if (!start)
        return std::nullopt;
    const std::optional<uint32_t> real = m_list.cutStart(static_cast<uint32_t>(*start));
    if (!real)
        return std::nullopt;
    return static_cast<qint32>(std::min<uint32_t>(*real, INT32_MAX));
}

QString KeyframeModel::realStartText(const QString& startBoxText) const
{
    switch (m_state) {
    case State::Empty:
        return lead() + QStringLiteral("ファイルを再生すると表示されます");
    case State::Reading:
        return lead() + QStringLiteral("キーフレームを調べています（%1%）").arg(percent());
    case State::Failed:
        return lead() + QStringLiteral("キーフレームを読めません（%1）").arg(m_failure);
    case State::SoundOnly:
        return QStringLiteral("音声だけのファイルです。開始位置のとおりに切り抜きます");
    case State::Ready:
        break;
    }
    if (startBoxText.isEmpty())
        return lead() + QStringLiteral("開始位置を指定してください");
    QString error;
    if (!EditRun::startPosition(startBoxText, &error))
        return lead() + error;
    const std::optional<qint32> real = realStart(startBoxText);
    if (!real)
        return lead() + QStringLiteral("キーフレームがないため切り抜けません");
    QString text = lead() + secondsText(*real) + QStringLiteral(" 秒");
    if (partial())
        text += QStringLiteral("（ファイルが途中で壊れているため、キーフレームは壊れた所までです）");
    return text;
}

QString KeyframeModel::secondsText(qint32 ms)
{
    ms = std::max(ms, 0);
    return QStringLiteral("%1.%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace vello::editor
