// The single-copy guard: one running player per user.
#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace vello {

/// A lock file per program and user in the runtime folder (XDG_RUNTIME_DIR, else /tmp). The first copy
/// holds it until the object is destroyed; a stale lock of a crashed copy is taken over. Reads and writes
/// nothing else. Window thread only.
class SingleInstance
{
public:
    /// program: the program's name, part of the lock file's name.
    explicit SingleInstance(const QString& program = QStringLiteral("velloplayer"));
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// True when this process now holds the lock (or already held it); false when another copy runs.
    bool acquire();
    bool held() const { return m_held; }
    void release();

    static QString lockPath(const QString& program = QStringLiteral("velloplayer"));

private:
    QString m_program;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};

} // namespace vello
