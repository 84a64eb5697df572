// The single-copy guard: one running player per user.
#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace vello {

/// A lock file per user in the runtime folder (XDG_RUNTIME_DIR, else /tmp). The first copy holds it
/// until the object is destroyed; a stale lock of a crashed copy is taken over. Reads and writes nothing
/// else. Window thread only.
class SingleInstance
{
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// True when this process now holds the lock (or already held it); false when another copy runs.
    bool acquire();
    bool held() const { return m_held; }
    void release();

    static QString lockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};

} // namespace vello
