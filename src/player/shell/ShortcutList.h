// The text of the shortcut-key list shown from the view menu.
#pragma once

#include <QString>

namespace vello {

/// The list exactly as shown in its message box: rows joined by tab characters, lines ended by a carriage
/// return alone, no line end after the last row.
QString shortcutListText();
/// The keys of the playback speed and of saving the picture, in the same form (a section title, then one
/// row a key; no CR after the last row). The shortcut list shows them below its own text.
QString moreShortcutsText();

} // namespace vello
