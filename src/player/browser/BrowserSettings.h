// The settings values the file browser reads, copied from the player's settings record.
#pragma once

#include <QString>
#include <QStringList>

namespace vello {

struct BrowserSettings
{
    /// Extensions without dots ("rm", "mpg", "asf"): the FileExt setting split at ";".
    QStringList extList{QStringLiteral("rm"), QStringLiteral("mpg"), QStringLiteral("asf")};
    bool fileTitle = true;    ///< title column shown and titles read
    bool fileDateTime = true; ///< date column shown and filled
    bool fileSize = true;     ///< size column shown and filled
    /// 1 = delete permanently, 0 = move to the desktop trash.
    int sendRecycle = 0;
};

} // namespace vello
