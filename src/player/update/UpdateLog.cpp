#include "UpdateLog.h"

namespace vello {
Q_LOGGING_CATEGORY(lcUpdate, "vello.update", QtWarningMsg)
} // namespace vello
