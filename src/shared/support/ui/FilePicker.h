// Lets the user choose files to open or a file to save.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vello {

class FilePicker
{
public:
    void setOwner(QWidget* owner) { m_owner = owner; }
    void setTitle(const QString& title) { m_title = title; }
    void setStartFolder(const QString& folder) { m_startFolder = folder; }
    /// Filter text in the "name|pattern;pattern|name|pattern" form; empty shows all files.
    void setFilter(const QString& filter) { m_filter = filter; }
    void setFileName(const QString& name) { m_fileName = name; }
    /// Save form: the extension (without the dot) given to a chosen name that has none.
    void setDefaultSuffix(const QString& suffix) { m_defaultSuffix = suffix; }
    /// Kept for the callers' protocol (6660 open with several files, 6 save with overwrite prompt).
    void setFlags(int flags) { m_flags = flags; }

    /// Open form. Returns empty text on cancel, one full path when one file was chosen, otherwise the
    /// folder followed by the chosen names, separated by single blanks.
    QString ShowOpen();
    /// The files of the last ShowOpen, as full paths (names with blanks stay whole here).
    QStringList selectedPaths() const { return m_selected; }

    /// Save form. Returns true when the user chose a file; fileTitle() and fullPath() then hold it.
    bool ShowSave();
    QString fileTitle() const { return m_fileTitle; }
    QString fullPath() const { return m_fullPath; }

    /// Joins chosen paths into the open form's result text.
    static QString openResultText(const QStringList& paths);

private:
    QString qtFilter() const;

    QWidget* m_owner = nullptr;
    QString m_title;
    QString m_startFolder;
    QString m_filter;
    QString m_fileName;
    QString m_defaultSuffix;
    int m_flags = 0;
    QStringList m_selected;
    QString m_fileTitle;
    QString m_fullPath;
};

} // namespace vello
