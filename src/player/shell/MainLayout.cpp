#include "MainLayout.h"

#include "Helpers.h"

#include <limits>

namespace vello {

namespace {

/// Twip values are kept in int; values outside int (absurd window sizes) are refused like negative sizes.
bool fitsInt(qint64 v)
{
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

/// A size assignment: refused (the old value stays) when negative or out of range.
void setHeight(QRect& r, qint64 h)
{
    if (h >= 0 && fitsInt(h))
        r.setHeight(static_cast<int>(h));
}

void setWidth(QRect& r, qint64 w)
{
    if (w >= 0 && fitsInt(w))
        r.setWidth(static_cast<int>(w));
}

void setLeft(QRect& r, qint64 x)
{
    if (fitsInt(x))
        r.moveLeft(static_cast<int>(x));
}

void setTop(QRect& r, qint64 y)
{
    if (fitsInt(y))
        r.moveTop(static_cast<int>(y));
}

constexpr int LabelHeight = 240;
constexpr int SplitterWidth = 60;
constexpr int ButtonSize = 315;
constexpr int ButtonPitch = 330;
constexpr int SliderLeft = 2935;
constexpr int SliderHeight = 255;
constexpr int VolumePanelWidth = 420;
constexpr int VolumePanelHeight = 1545;

} // namespace

MainLayout::MainLayout()
{
    const QSize outer = outerFromClient(QSize(DesignClientWidth, DesignClientHeight));
    m_W = outer.width();
    m_H = outer.height();
    const int x = DesignSplitter;
    lblFolder = QRect(0, 0, x, LabelHeight);
    lblFa = lblFolder;
    fraFileList = QRect(0, LabelHeight, x, m_H - 1200);
    tvwDir = QRect(0, 0, x, m_H / 3);
    treFa = tvwDir;
    FILE1 = QRect(0, tvwDir.top() + tvwDir.height(), x, fraFileList.height() - tvwDir.height() - 100);
    imgSplitter = QRect(x, 0, SplitterWidth, m_H);
    picSplitter = QRect(x, 0, SplitterWidth / 2, m_H);
    RA = QRect(x + 40, LabelHeight, m_W - x - 180, m_H - 1550);
    WP = RA;
    lblTitle = QRect(x + 40, 0, RA.width(), LabelHeight);
    lblTimer = QRect(RA.left() + RA.width() - TimerLabelWidth, 0, TimerLabelWidth, LabelHeight);
    sldTimer = QRect(SliderLeft, 0, m_W - 3500, SliderHeight);
    for (auto& b : imgButton)
        b = QRect(0, 0, ButtonSize, ButtonSize);
    picVol = QRect(0, 0, VolumePanelWidth, VolumePanelHeight);
    followVideoArea();
}

void MainLayout::sizeChanged(int W, int H)
{
    m_W = W;
    m_H = H;
    const qint64 w = W;
    const qint64 h = H;
    setHeight(fraFileList, h - 1200);
    setHeight(tvwDir, roundHalfEven(static_cast<double>(h) / 3.0));
    setHeight(treFa, tvwDir.height());
    setHeight(FILE1, qint64(fraFileList.height()) - tvwDir.height() - 100);
    setTop(FILE1, qint64(tvwDir.top()) + tvwDir.height());
    setHeight(RA, h - 1550);
    setWidth(RA, w - fraFileList.width() - 180);
    setHeight(WP, RA.height());
    setWidth(WP, RA.width());
    setLeft(lblTimer, qint64(RA.left()) + RA.width() - lblTimer.width());
    setWidth(lblTitle, RA.width());
    setWidth(sldTimer, w - 3500);
    setHeight(picSplitter, h);
    setHeight(imgSplitter, h);
    followVideoArea();
}

void MainLayout::SetSplitter(double position)
{
    qint64 x = roundHalfEven(position);
    if (x < 20)
        x = 20;
    if (x > qint64(m_W) - 20)
        x = qint64(m_W) - 20;
    setWidth(fraFileList, x);
    setWidth(tvwDir, x);
    setWidth(treFa, x);
    setWidth(FILE1, x);
    setWidth(lblFa, x);
    setWidth(lblFolder, x);
    setLeft(imgSplitter, x);
    setLeft(RA, x + 40);
    setWidth(RA, qint64(m_W) - fraFileList.width() - 270);
    setLeft(WP, RA.left());
    setWidth(WP, RA.width());
    setLeft(lblTitle, x + 40);
    setWidth(lblTitle, RA.width());
    setLeft(lblTimer, qint64(RA.left()) + RA.width() - lblTimer.width());
    followVideoArea();
}

void MainLayout::beginSplitterDrag()
{
    picSplitter = QRect(imgSplitter.left(), imgSplitter.top(), imgSplitter.width() / 2, m_H);
    m_barVisible = true;
    m_dragging = true;
}

void MainLayout::moveSplitterDrag(int dx)
{
    if (!m_dragging)
        return;
    const qint64 p = qint64(imgSplitter.left()) + dx;
    qint64 left = p;
    if (p < 50)
        left = 50;
    else if (p > qint64(m_W) - 50)
        left = qint64(m_W) - 50;
    setLeft(picSplitter, left);
}

void MainLayout::endSplitterDrag()
{
    if (!m_dragging)
        return;
    SetSplitter(picSplitter.left());
    m_barVisible = false;
    m_dragging = false;
}

void MainLayout::followVideoArea()
{
    // Not named by the rules: the button row and the time label sit below the video area, the position
    // slider on the bottom edge of the client area, the volume panel above the volume button.
    const qint64 belowVideo = qint64(RA.top()) + RA.height();
    setTop(lblTimer, belowVideo + 60);
    for (int i = 0; i < ButtonCount; ++i) {
        setLeft(imgButton[i], qint64(RA.left()) + qint64(i) * ButtonPitch);
        setTop(imgButton[i], belowVideo + 15);
    }
    setTop(sldTimer, qint64(m_H) - FrameHeight - SliderHeight - 15);
    setLeft(picVol, imgButton[6].left());
    setTop(picVol, qint64(imgButton[6].top()) - VolumePanelHeight - 15);
}

} // namespace vello
