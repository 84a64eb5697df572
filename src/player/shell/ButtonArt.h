// Drawn images of the eight player buttons, normal and pressed.
#pragma once

#include <QPixmap>

namespace vello {

/// Index 0 previous, 1 rewind, 2 stop, 3 play, 4 fast forward, 5 next, 6 volume, 7 pause.
/// Window thread only (uses QPainter on pixmaps).
class ButtonArt
{
public:
    static QPixmap image(int index, bool pressed, int sizePx);
};

} // namespace vello
