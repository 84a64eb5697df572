#include "WindowPos.h"

#include <QWidget>

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
    const bool wasVisible = m_window->isVisible();
    const QRect geometry = m_window->geometry();
    const Qt::WindowStates states = m_window->windowState();
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (wasVisible) {
        m_window->setGeometry(geometry);
        m_window->setWindowState(states);
        m_window->show();
    }
}

} // namespace vello
