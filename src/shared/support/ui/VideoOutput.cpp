#include "VideoOutput.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace vello {

QString videoOutputForDisplay()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return QStringLiteral("null");
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return {};
    int opcode = 0;
    int event = 0;
    int error = 0;
    return XQueryExtension(display, "DRI3", &opcode, &event, &error) ? QString() : QStringLiteral("x11");
}

} // namespace vello
