// Drawn pictures of the start menu's four buttons.
#pragma once

#include "ToolKind.h"

#include <QPixmap>

namespace vello::editor {

/// Pictures for the menu buttons: the three tools and the settings. Window thread only.
class MenuArt final
{
public:
    enum class Picture
    {
        RaJoin,
        MpgJoin,
        RaCut,
        Settings,
    };
    static QPixmap picture(Picture which, int sizePx);
};

} // namespace vello::editor
