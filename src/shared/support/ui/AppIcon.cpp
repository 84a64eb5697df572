#include "AppIcon.h"

static void initIconResource()
{
    // The resource lives in a static library: register it before first use.
    Q_INIT_RESOURCE(icons);
}

namespace vello {

QIcon applicationIcon()
{
    initIconResource();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/velloplayer-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace vello
