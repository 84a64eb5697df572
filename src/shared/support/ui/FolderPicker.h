// Lets the user choose a folder.
#pragma once

#include <QString>

class QWidget;

namespace vello {

class FolderPicker
{
public:
    void setOwner(QWidget* owner) { m_owner = owner; }
    void setTitle(const QString& title) { m_title = title; }
    void setStartFolder(const QString& folder) { m_startFolder = folder; }
    /// Shows the chooser modally; the chosen folder's full path without a trailing separator ("/" stays
    /// "/"), or empty text when the user cancels.
    QString Show();

private:
    QWidget* m_owner = nullptr;
    QString m_title;
    QString m_startFolder;
};

} // namespace vello
