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

QString FolderPathLabel::elideMiddle(const QString& text, const QFontMetrics& metrics, int widthPixels)
{
    return metrics.elidedText(text, Qt::ElideMiddle, std::max(0, widthPixels));
}

void FolderPathLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateShownText();
}

void FolderPathLabel::updateShownText()
{
    setText(elideMiddle(m_fullText, fontMetrics(), contentsRect().width()));
}

} // namespace vello
