// The favourites folders as the two favourites trees show them, and the rules for a folder's name.
#pragma once

#include "FaList.h"

#include <QString>
#include <QStringList>

namespace vello::FavouriteFolders {

/// Text and tag of the trees' root node.
QString rootText(); ///< "Favorites"
QString rootTag();  ///< "ROOT"

/// The folder nodes under the root, in list order: each entry's folder name unless a node (the root
/// included) already has that text ignoring case; "ﾌｫﾙﾀﾞ1" alone when that leaves none.
QStringList folderNodes(const FaList& list);

/// Why a typed folder name cannot be used in any favourites window: a name holding "|" or a line break
/// would break its line in Fa.dat. Empty when the name may be used. The message is Japanese.
QString nameRefusal(const QString& name);

/// nameRefusal, and for the folder chooser also an empty or blank name is no refusal (it means no
/// folder), while the root's name is refused: its entries would show in no tree.
QString chooserNameRefusal(const QString& name);

/// The folder chooser's list: each entry's folder name once (exact text), in list order.
QStringList chooserItems(const FaList& list);

/// The folder the chooser hands back for typed text: the spelling of an existing folder when the text
/// names one ignoring letter case (so one folder does not split in two), else the text as typed.
QString chosenFolder(const QString& typed, const QStringList& items);

} // namespace vello::FavouriteFolders
