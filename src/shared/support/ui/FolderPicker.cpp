#include "FolderPicker.h"

#include <QFileDialog>

namespace vello {

QString FolderPicker::Show()
{
    QString chosen = QFileDialog::getExistingDirectory(m_owner, m_title, m_startFolder);
    while (chosen.size() > 1 && chosen.endsWith(u'/'))
        chosen.chop(1);
    return chosen;
}

} // namespace vello
