#include "WaitWindow.h"

#include "Logging.h"
#include "NativePath.h"
#include "ProgramPaths.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <unistd.h>

namespace vello::editor {

namespace {

/// Holds the wait windows told to close until they are gone. At the program's end it gives them a moment
/// to go by themselves, and ends those that linger, so that none is left behind.
class ClosingWaitWindows final : public QObject
{
public:
    using QObject::QObject;
    ~ClosingWaitWindows() override
    {
        for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
            if (!process->waitForFinished(2000)) {
                process->kill();
                process->waitForFinished(1000);
            }
        }
    }
    static QObject* instance()
    {
        static QPointer<ClosingWaitWindows> holder;
        if (!holder)
            holder = new ClosingWaitWindows(QCoreApplication::instance());
        return holder;
    }
};

} // namespace

WaitWindow::WaitWindow(QObject* parent) : QObject(parent) {}

WaitWindow::~WaitWindow()
{
    if (!m_process)
        return;
    // The editor is going: the wait window goes with it, now.
    m_process->closeWriteChannel();
    if (!m_process->waitForFinished(2000)) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
    delete m_process;
}

QString WaitWindow::message(const QString& firstLine)
{
    return firstLine + QStringLiteral("\nしばらくお待ちください...");
}

QString WaitWindow::programPath()
{
    return ProgramPaths::companionProgram(QStringLiteral("vellowait"));
}

bool WaitWindow::start(const QString& message, quintptr owner)
{
    close();
    m_errorText.clear();
    m_lastPercent = -1;
    const QString program = programPath();
    if (::access(toNativePath(program).constData(), X_OK) != 0) {
        m_errorText = QStringLiteral(
            "待機ウィンドウのプログラム（vellowait）が見つからないため、処理を開始できません。");
        qCInfo(lcEditor) << "wait window missing:" << program;
        return false;
    }
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_answers.clear();
    connect(m_process, &QProcess::readyReadStandardOutput, this, &WaitWindow::readAnswers);
    QStringList arguments{message};
    if (owner != 0)
        arguments.prepend(QStringLiteral("--owner=%1").arg(owner));
    m_process->start(program, arguments);
    if (!m_process->waitForStarted(10000)) {
        m_errorText = QStringLiteral("待機ウィンドウ（vellowait）を起動できませんでした。");
        qCInfo(lcEditor) << "wait window did not start:" << m_process->errorString();
        delete m_process;
        m_process = nullptr;
        return false;
    }
    qCDebug(lcEditor) << "wait window started, pid" << m_process->processId();
    return true;
}

void WaitWindow::readAnswers()
{
    if (!m_process)
        return;
    m_answers += m_process->readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_answers.indexOf('\n')) >= 0) {
        const QByteArray line = m_answers.left(end).trimmed();
        m_answers.remove(0, end + 1);
        if (line == "stop") {
            qCInfo(lcEditor) << "the user asked the wait window to stop the run";
            emit stopRequested();
        }
    }
    if (m_answers.size() > 4096)
        m_answers.clear();
}

void WaitWindow::setProgress(int percent)
{
    if (!isRunning())
        return;
    percent = qBound(0, percent, 100);
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    m_process->write(QByteArray::number(percent) + '\n');
}

void WaitWindow::close()
{
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    if (process->state() == QProcess::NotRunning) {
        delete process;
        return;
    }
    // The end of its input closes the wait window; it goes in its own time, the window thread does not
    // wait for it. One that lingers is ended after two seconds.
    process->disconnect(this);
    process->setParent(ClosingWaitWindows::instance());
    process->closeWriteChannel();
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QTimer::singleShot(2000, process, [process] {
        qCInfo(lcEditor) << "wait window did not end at the end of its input; ending it";
        process->kill();
    });
}

bool WaitWindow::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

qint64 WaitWindow::processId() const
{
    return m_process ? m_process->processId() : 0;
}

} // namespace vello::editor
