#include "ProcessRunner.h"

#include <QProcess>

namespace vello {

int ProcessRunner::Run(int showMode, int timeoutMs)
{
    Q_UNUSED(showMode);
    m_errorText.clear();
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(m_arguments);
    if (!m_workingDirectory.isEmpty())
        process.setWorkingDirectory(m_workingDirectory);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted()) {
        m_errorText = process.errorString();
        return -1;
    }
    if (!process.waitForFinished(timeoutMs)) {
        m_errorText = process.errorString();
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        m_errorText = process.errorString();
        return -1;
    }
    return process.exitCode();
}

bool ProcessRunner::startDetached(qint64* pid) const
{
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(m_arguments);
    if (!m_workingDirectory.isEmpty())
        process.setWorkingDirectory(m_workingDirectory);
    return process.startDetached(pid);
}

} // namespace vello
