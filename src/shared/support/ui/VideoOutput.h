// The libmpv video output that suits the display the program runs on.
#pragma once

#include <QString>

namespace vello {

/// The players' video output ("vo") for the platform in use; "" leaves libmpv's default order.
///
/// GPU drawing first, plain X11 drawing when no GPU context can be made, except on X servers without
/// DRI3 (virtual and remote servers such as Xvfb or VNC): there Mesa's software GL closes the process's
/// file descriptor 0 each time a GL context is torn down (after every probe and at the end of every
/// clip), which sooner or later closes one of the program's own connections. Plain X11 drawing is used
/// there.
///
/// Platforms without a screen (offscreen, minimal: headless runs) have no window to draw into: pictures
/// are decoded without being shown. Left to probe, several engines in one process would fall back to the
/// one output a process can open only once (SDL), and an engine that loses loads its clips with neither
/// picture nor sound, which libmpv ends at once as failed.
QString videoOutputForDisplay();

} // namespace vello
