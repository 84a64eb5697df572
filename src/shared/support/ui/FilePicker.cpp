#include "FilePicker.h"

#include <QFileDialog>
#include <QFileInfo>

namespace vello {

QString FilePicker::qtFilter() const
{
    if (m_filter.isEmpty())
        return {};
    const QStringList parts = m_filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        filters << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString FilePicker::openResultText(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return paths.first();
    QString folder = QFileInfo(paths.first()).absolutePath();
    QStringList parts{folder};
    for (const QString& p : paths)
        parts << QFileInfo(p).fileName();
    return parts.join(u' ');
}

QString FilePicker::ShowOpen()
{
    m_selected = QFileDialog::getOpenFileNames(m_owner, m_title, m_startFolder, qtFilter());
    return openResultText(m_selected);
}

bool FilePicker::ShowSave()
{
    QString start = m_startFolder;
    if (!m_fileName.isEmpty())
        start = QFileInfo(m_startFolder + u'/' + m_fileName).absoluteFilePath();
    QFileDialog dialog(m_owner, m_title, start, qtFilter());
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(m_defaultSuffix);
    const QString chosen = dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    m_fullPath = chosen;
    m_fileTitle = chosen.isEmpty() ? QString() : QFileInfo(chosen).fileName();
    return !chosen.isEmpty();
}

} // namespace vello
