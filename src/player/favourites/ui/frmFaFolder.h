// The favourites folder chooser: an existing folder from the list, or a new name typed in.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

namespace vello {

class FaList;

/// Modal window "お気に入りフォルダ選択". Its combo box lists the favourites folders and takes typed text;
/// OK hands the text back (SelectedFaFolder), Cancel hands back nothing. A name that Fa.dat cannot hold
/// ("|", a line break) or the root's name is refused with a message and the window stays open; a name that
/// differs from an existing folder only in letter case is handed back in that folder's spelling.
class frmFaFolder final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFaFolder)

public:
    explicit frmFaFolder(const FaList& list, QWidget* parent = nullptr);

    /// Shows the window modally and returns the chosen folder name; empty when cancelled.
    static QString choose(const FaList& list, QWidget* parent);

    /// The chosen name after the window closed; empty when cancelled or not yet chosen.
    QString SelectedFaFolder() const { return m_selected; }

    QComboBox* cboFolder() const { return m_cboFolder; }
    QPushButton* cmdOk() const { return m_cmdOk; }
    QPushButton* cmdCan() const { return m_cmdCan; }

private:
    void cmdOk_Click();

    QStringList m_items;
    QString m_selected;
    QComboBox* m_cboFolder = nullptr;
    QLabel* m_label1 = nullptr;
    QPushButton* m_cmdOk = nullptr;
    QPushButton* m_cmdCan = nullptr;
};

} // namespace vello
