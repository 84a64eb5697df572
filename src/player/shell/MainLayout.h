// Geometry of the main window's controls in twips: the design, the size-change rules, the splitter.
#pragma once

#include <QRect>

#include <array>

namespace vello {

/// Holds the rectangle of every control of the main window, in twips (1/1440 inch), as the window
/// applies them. Starts from the design; sizeChanged and SetSplitter change only the values their rules
/// name, so a rule that cannot be applied (a negative width or height) leaves that one value as it was
/// and the others still change. W and H are the window's outer size: the client area plus the design's
/// frame allowance (FrameWidth, FrameHeight), so the rules behave the same whatever the title bar is.
///
/// Coordinates are client coordinates, except those of tvwDir, treFa and FILE1, which are relative to
/// fraFileList. Controls that no rule names (buttons, time label row, volume panel, position slider top)
/// follow the video area and the bottom edge so that they stay visible. Plain value type, no Qt objects.
class MainLayout
{
public:
    static constexpr int DesignClientWidth = 9195;
    static constexpr int DesignClientHeight = 6300;
    static constexpr int DesignLeft = 165;
    static constexpr int DesignTop = 735;
    /// Outer size minus client size assumed by the rules (borders, title bar and menu bar).
    static constexpr int FrameWidth = 120;
    static constexpr int FrameHeight = 690;
    static constexpr int DesignSplitter = 2895;
    static constexpr int ButtonCount = 8;
    static constexpr int TimerLabelWidth = 1200;

    MainLayout();

    /// Outer size in twips for a client size in twips, and the reverse.
    static QSize outerFromClient(QSize client) { return client + QSize(FrameWidth, FrameHeight); }
    static QSize clientFromOuter(QSize outer) { return outer - QSize(FrameWidth, FrameHeight); }

    /// The layout rules for a window of outer size W x H.
    void sizeChanged(int W, int H);

    /// Moves the splitter to x (clamped to 20 .. W - 20 with the current W) and the right area with it.
    void SetSplitter(double x);

    /// Splitter drag: press on the handle, move at dx twips from the handle's left edge, release.
    void beginSplitterDrag();
    void moveSplitterDrag(int dx);
    void endSplitterDrag();
    bool splitterDragging() const { return m_dragging; }
    bool splitterBarVisible() const { return m_barVisible; }

    int W() const { return m_W; }
    int H() const { return m_H; }
    int splitterPosition() const { return imgSplitter.left(); }

    QRect lblFolder; ///< folder path label above the tree (same place as lblFa)
    QRect lblFa;
    QRect fraFileList;
    QRect tvwDir; ///< relative to fraFileList
    QRect treFa;  ///< relative to fraFileList
    QRect FILE1;  ///< relative to fraFileList
    QRect imgSplitter;
    QRect picSplitter;
    QRect RA;
    QRect WP;
    QRect lblTitle;
    QRect lblTimer;
    QRect sldTimer;
    std::array<QRect, ButtonCount> imgButton;
    QRect picVol;

private:
    void followVideoArea();

    int m_W;
    int m_H;
    bool m_dragging = false;
    bool m_barVisible = false;
};

} // namespace vello
