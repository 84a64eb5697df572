#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <unistd.h>

namespace vello {

SingleInstance::SingleInstance(const QString& program) : m_program(program) {}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::lockPath(const QString& program)
{
    // Chosen without QStandardPaths so that the check creates no folder and prints nothing.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("%1-%2.lock").arg(program).arg(::getuid()));
}

bool SingleInstance::acquire()
{
    if (m_held)
        return true;
    m_lock = std::make_unique<QLockFile>(lockPath(m_program));
    // A lock older than this whose owner is gone is stale; QLockFile also checks the owner's process id.
    m_lock->setStaleLockTime(0);
    m_held = m_lock->tryLock(0);
    if (!m_held) {
        if (m_lock->error() == QLockFile::LockFailedError) {
            m_lock.reset();
            return false;
        }
        // The lock file cannot be created at all (read-only temp folder): do not refuse to start.
        m_lock.reset();
        m_held = true;
    }
    return m_held;
}

void SingleInstance::release()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
    m_held = false;
}

} // namespace vello
