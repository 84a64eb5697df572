#include "KeyframeSlider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace vello::editor {

namespace {

constexpr int TickHeight = 5;

} // namespace

KeyframeSlider::KeyframeSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void KeyframeSlider::setMarks(const QList<qint32>& marks)
{
    if (marks == m_marks)
        return;
    m_marks = marks;
    update();
}

int KeyframeSlider::markX(qint32 value) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = std::max(groove.width() - handle.width(), 1);
    return groove.x() + handle.width() / 2 +
           QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown);
}

QSize KeyframeSlider::sizeHint() const
{
    return QSlider::sizeHint() + QSize(0, TickHeight);
}

QSize KeyframeSlider::minimumSizeHint() const
{
    return QSlider::minimumSizeHint() + QSize(0, TickHeight);
}

void KeyframeSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    if (m_marks.isEmpty() || maximum() <= minimum())
        return;
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const int bottom = height() - 1;
    for (const qint32 mark : m_marks) {
        if (mark < minimum() || mark > maximum())
            continue;
        const int x = markX(mark);
        painter.drawLine(x, bottom - TickHeight + 1, x, bottom);
    }
}

} // namespace vello::editor
