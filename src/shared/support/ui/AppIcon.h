// The application icon, built into the programs.
#pragma once

#include <QIcon>

namespace vello {

/// The Velloplayer icon at every size it is drawn in (16 to 256 pixels).
QIcon applicationIcon();

} // namespace vello
