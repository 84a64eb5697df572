// The text of the shortcut-key list shown from the view menu.
#pragma once

#include <QString>

namespace vello {

/// The list exactly as shown in its message box: rows joined by tab characters, lines ended by a carriage
/// return alone, no line end after the last row.
QString shortcutListText();

} // namespace vello
