// Changes only the z-order of a window: above all others (-1) or back to normal (-2).
#pragma once

class QWidget;

namespace vello {

class WindowPos
{
public:
    static constexpr int Topmost = -1;
    static constexpr int NotTopmost = -2;

    void setInsertAfter(int insertAfter) { m_insertAfter = insertAfter; }
    void setWindow(QWidget* window) { m_window = window; }
    /// Kept for the callers' protocol; always 83 (no size, no move, no activate, show).
    void setFlags(int flags) { m_flags = flags; }
    /// Applies the z-order; position and size are ignored with flags 83. Keeps the window's geometry and
    /// shows it when it was visible. A window that already has its native window keeps it (and its native
    /// children keep theirs): only the window system's stacking hint changes. Does nothing without a window.
    void Apply(int x, int y, int width, int height);

private:
    int m_insertAfter = NotTopmost;
    QWidget* m_window = nullptr;
    int m_flags = 83;
};

} // namespace vello
