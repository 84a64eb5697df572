// Logging categories of both programs. Nothing is written unless asked for: debug and info messages are off
// by default, warnings are on; QT_LOGGING_RULES switches them ("vello.*=true" shows everything).
#pragma once

#include <QLoggingCategory>

namespace vello {

// Every message box and question, with its text verbatim and the answer.
Q_DECLARE_LOGGING_CATEGORY(lcMessage)
// Errors that a handler swallows on purpose (the program goes on as if the step had not been asked for).
Q_DECLARE_LOGGING_CATEGORY(lcError)

// One category per subsystem.
Q_DECLARE_LOGGING_CATEGORY(lcSupport)    // vello.support: settings files, trash, paths, child programs
Q_DECLARE_LOGGING_CATEGORY(lcMedia)      // vello.media: the player adapters and libmpv's own log
Q_DECLARE_LOGGING_CATEGORY(lcFolderTree) // vello.foldertree
Q_DECLARE_LOGGING_CATEGORY(lcShell)      // vello.shell: the main window, start-up and shutdown
Q_DECLARE_LOGGING_CATEGORY(lcPlayback)   // vello.playback
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)    // vello.browser: file list, titles, file operations, history
Q_DECLARE_LOGGING_CATEGORY(lcSettings)   // vello.settings
Q_DECLARE_LOGGING_CATEGORY(lcFavourites) // vello.favourites
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)     // vello.update: FTP and the update check
Q_DECLARE_LOGGING_CATEGORY(lcInfo)       // vello.info: about and tips windows
Q_DECLARE_LOGGING_CATEGORY(lcEditor)     // vello.editor: Vellokit
Q_DECLARE_LOGGING_CATEGORY(lcWait)       // vello.wait: the editor's wait window (vellowait)

} // namespace vello
