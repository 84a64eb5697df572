#include "FolderPathLabel.h"

#include "FolderTreeLogic.h"

#include <QResizeEvent>

namespace vello {

FolderPathLabel::FolderPathLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setMinimumWidth(1);
}

void FolderPathLabel::setPath(const QString& path)
{
    m_fullText = FolderTreeLogic::TrimPathForDisplay(path);
    setToolTip(m_fullText);
    updateShownText();
}

QString FolderPathLabel::elidePath(const QString& text, const QFontMetrics& metrics, int widthPixels)
{
    const int width = std::max(0, widthPixels);
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    const qsizetype slash = text.lastIndexOf(u'/');
    if (slash < 0)
        return metrics.elidedText(text, Qt::ElideRight, width);
    const QString tail = ellipsis + text.mid(slash); // "…/last"
    if (metrics.horizontalAdvance(tail) > width)
        return metrics.elidedText(tail, Qt::ElideRight, width);
    // The longest start of the path that fits before the tail.
    qsizetype lo = 0;
    qsizetype hi = slash;
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid) + tail) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.left(lo) + tail;
}

void FolderPathLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateShownText();
}

void FolderPathLabel::updateShownText()
{
    setText(elidePath(m_fullText, fontMetrics(), contentsRect().width()));
}

} // namespace vello
