#include "DialUp.h"

#include "Logging.h"

#include <QDir>
#include <QFile>

#include <optional>

namespace vello {

namespace {

constexpr int PppType = 512;       // ARPHRD_PPP
constexpr qulonglong UpFlag = 0x1; // IFF_UP

/// A number read from a one-line sysfs file ("512", "0x1003"); nothing when unreadable.
std::optional<qulonglong> readNumber(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = file.read(64).trimmed().toULongLong(&ok, 0);
    return ok ? std::optional<qulonglong>(value) : std::nullopt;
}

} // namespace

bool IsDialUpConnected(const QString& netRoot)
{
    // Interface names under /sys/class/net are plain ASCII, so QDir lists them safely.
    const QDir root(netRoot);
    if (!root.exists() || !root.isReadable()) {
        qCInfo(lcUpdate) << "dial-up state unknown:" << netRoot << "unreadable; taken as connected";
        return true;
    }
    const QStringList interfaces =
        root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString& name : interfaces) {
        const std::optional<qulonglong> type = readNumber(root.filePath(name + QStringLiteral("/type")));
        const std::optional<qulonglong> flags = readNumber(root.filePath(name + QStringLiteral("/flags")));
        if (type == qulonglong(PppType) && flags && (*flags & UpFlag)) {
            qCDebug(lcUpdate) << "dial-up link" << name << "is up";
            return true;
        }
    }
    return false;
}

} // namespace vello
