// The folder label above the tree: the current folder, shortened in the middle when it does not fit.
#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QString>

namespace vello {

/// Shows TrimPathForDisplay(path) on one line; when wider than the label the middle of the path is
/// replaced by an ellipsis, keeping the last folder name whole when it fits (elidePath). The full text is
/// the tool tip. Window thread only.
class FolderPathLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FolderPathLabel(QWidget* parent = nullptr);

    /// Sets the folder (canonical path); the label shows it trimmed for display.
    void setPath(const QString& path);
    QString fullText() const { return m_fullText; }

    /// A path shortened to fit widthPixels with metrics (unchanged when it fits): as much of its start as
    /// fits, an ellipsis, then the last folder name with its separator ("/home/us…/Live 2000"). When even
    /// "…/" and the last name do not fit, the last name keeps its beginning and loses its end.
    static QString elidePath(const QString& text, const QFontMetrics& metrics, int widthPixels);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShownText();

    QString m_fullText;
};

} // namespace vello
