#include "Logging.h"

namespace vello {

Q_LOGGING_CATEGORY(lcMessage, "vello.message", QtWarningMsg)
Q_LOGGING_CATEGORY(lcError, "vello.error", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSupport, "vello.support", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMedia, "vello.media", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFolderTree, "vello.foldertree", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "vello.shell", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlayback, "vello.playback", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBrowser, "vello.browser", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "vello.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFavourites, "vello.favourites", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUpdate, "vello.update", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInfo, "vello.info", QtWarningMsg)
Q_LOGGING_CATEGORY(lcEditor, "vello.editor", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWait, "vello.wait", QtWarningMsg)

} // namespace vello
