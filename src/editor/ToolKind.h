// The editor's three tool windows and what tells them apart: caption, start folder, mask, preview kind.
#pragma once

#include "EditorSettings.h"

#include <QString>

namespace vello::editor {

enum class ToolKind
{
    RaJoin,  ///< RealMedia join (frmRa)
    MpgJoin, ///< MPEG join (frmMpg)
    RaCut,   ///< RealMedia cut (frmRaCut)
};

/// Which player previews the files of a tool window.
enum class PreviewKind
{
    RealMedia, ///< the RA adapter: milliseconds, volume 0-100
    Other,     ///< the WP adapter
};

struct ToolTraits
{
    static QString caption(ToolKind kind)
    {
        return kind == ToolKind::MpgJoin ? QStringLiteral("MPGファイル編集")
                                         : QStringLiteral("RMファイル編集");
    }
    static QString startFolder(ToolKind kind, const EditorSettings& s)
    {
        return kind == ToolKind::MpgJoin ? s.MpgPath : s.RaPath;
    }
    static QString mask(ToolKind kind, const EditorSettings& s)
    {
        return kind == ToolKind::MpgJoin ? s.MpgMask : s.RaMask;
    }
    static PreviewKind preview(ToolKind kind)
    {
        return kind == ToolKind::MpgJoin ? PreviewKind::Other : PreviewKind::RealMedia;
    }
    /// The join windows have an input list; the cut takes the previewed file.
    static bool hasInputList(ToolKind kind) { return kind != ToolKind::RaCut; }
};

} // namespace vello::editor
