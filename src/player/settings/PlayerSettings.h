// The player's settings record, filled from Config.ini by ConfigStore::LoadConfig.
#pragma once

#include <QString>
#include <QStringList>

namespace vello {

/// One per process, owned by ConfigStore. Flags hold 0 (off) or 1 (on) as the settings window writes
/// them; other values are kept as read. Fields that were never read hold 0 or empty text.
struct PlayerSettings
{
    int TopMost = 0;        ///< the main window stays above all other windows
    int FixedRatio = 0;     ///< the main window keeps its width:height ratio while resized
    int PlayMode = 0;       ///< 0 normal, 1 repeat all, 2 repeat one, 3 random
    QString FileExt;        ///< extensions listed in the file list, ";"-separated, without dots
    QStringList ExtList;    ///< the entries of FileExt; never empty after a load (at least one entry)
    int SendRecycle = 0;    ///< 1: deleted files are removed at once; 0: they go to the trash
    int FileTitle = 0;      ///< the file list shows its title column
    int FileSize = 0;       ///< the file list shows its size column
    int FileDateTime = 0;   ///< the file list shows its date column
    int DefaultDir = 0;     ///< start folder: 0 favourites mode, 1 folder used last, 2 DefaultDirPath
    QString DefaultDirPath; ///< fixed start folder (used while DefaultDir is 2)
    int Pickup = 0;         ///< 1: the start-up tips window is not shown
    int SlideTimer = 0;     ///< 0..4, index of the fast-forward/rewind speed
};

} // namespace vello
