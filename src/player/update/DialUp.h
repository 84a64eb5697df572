// Whether the machine is online over a dial-up (point-to-point) link.
#pragma once

#include <QString>

namespace vello {

/// True when an active dial-up link exists: a network interface of type PPP (512) whose flags say it
/// is up, read from netRoot (/sys/class/net). True as well when the system cannot tell (netRoot missing
/// or unreadable); false when it lists interfaces and none is such a link.
bool IsDialUpConnected(const QString& netRoot = QStringLiteral("/sys/class/net"));

} // namespace vello
