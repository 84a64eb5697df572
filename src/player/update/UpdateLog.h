// Logging category of the update check and its FTP client ("vello.update").
#pragma once

#include <QLoggingCategory>

namespace vello {
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
} // namespace vello
