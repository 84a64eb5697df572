#include "WindowPos.h"

#include <QWidget>
#include <QWindow>

namespace vello {

void WindowPos::Apply(int x, int y, int width, int height)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    Q_UNUSED(width);
    Q_UNUSED(height);
    if (!m_window)
        return;
    const bool topmost = m_insertAfter == Topmost;
    if (m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    Qt::WindowFlags flags = m_window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    // A window that exists on screen gets the new z-order from the window system directly: changing the
    // widget's flags would destroy and recreate its native window and those of its native children (the
    // video area the players draw into).
    if (QWindow* handle = m_window->windowHandle();
        handle && m_window->testAttribute(Qt::WA_WState_Created)) {
        m_window->overrideWindowFlags(flags);
        handle->setFlags(flags);
        return;
    }
    const bool wasVisible = m_window->isVisible();
    const QRect geometry = m_window->geometry();
    const Qt::WindowStates states = m_window->windowState();
    m_window->setWindowFlags(flags);
    if (wasVisible) {
        m_window->setGeometry(geometry);
        m_window->setWindowState(states);
        m_window->show();
    }
}

} // namespace vello
