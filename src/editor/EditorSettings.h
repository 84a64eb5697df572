// The editor's settings record: its start folders, the output folder and the two extension masks.
#pragma once

#include <QString>

namespace vello::editor {

/// One per process, filled at start by M_MAIN::LoadEditorSettings and changed only by the settings window.
/// Folders are kept without a trailing "/" (the root stays "/"); masks are ";"-separated extensions
/// without dots.
struct EditorSettings
{
    QString RaPath;  ///< first folder of the two RealMedia windows
    QString MpgPath; ///< first folder of the MPEG window
    QString OutPath; ///< folder proposed for output files
    QString RaMask;  ///< extensions listed in the RealMedia windows
    QString MpgMask; ///< extensions listed in the MPEG window

    bool operator==(const EditorSettings&) const = default;
};

} // namespace vello::editor
