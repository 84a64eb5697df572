// The input panel of the editor's tool windows: folder tree, the folder's files, the preview player,
// the input list (join windows), the output box and the run and cancel buttons.
#pragma once

#include "IconStore.h"
#include "InputPanelModel.h"
#include "PreviewControl.h"
#include "cDTree.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

namespace vello {
class FolderPathLabel;
}

namespace vello::editor {

class InputList;
class PreviewPlayer;

/// Shows an InputPanelModel and a PreviewControl (neither owned; both must outlive the panel) and wires
/// the controls to them: the tree's folder changes refill FILE1, a double-click previews the file, Add
/// and Remove edit the input list, the up and down buttons and drags within the list change its order,
/// files dropped on it from a file manager are added, "参照" chooses the output file. The current folder's
/// path is shown above the tree. Tab follows the layout, the window's own controls included. Window thread
/// only.
class InputPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InputPanel)

public:
    /// Asks for an output file: owner, title, initial folder; returns the full path or empty text.
    using SaveChooser = std::function<QString(QWidget*, const QString&, const QString&)>;

    InputPanel(InputPanelModel& model, PreviewControl& preview, const EditorSettings& settings,
               QWidget* parent = nullptr);

    /// Opens the panel at a folder: the tree is attached, opened down to the folder, and FILE1 filled.
    void Form_Load(const QString& startFolder);
    /// Refills FILE1 from the tree's folder (the first file selected when there is one).
    void FillFileList();

    /// Adds a window's own controls between the input list and the output box.
    void addExtras(QWidget* extras);

    /// Replaces the output-file chooser (default: the desktop's save dialog, asking before overwriting,
    /// the tool's file type first and its extension added to a name typed without one).
    void setSaveChooser(SaveChooser chooser) { m_saveChooser = std::move(chooser); }
    static QString saveChooserTitle() { return QStringLiteral("出力ファイル指定"); }

    /// Enables or disables everything the user could change during a run (the preview stays usable).
    void setEditable(bool editable);

    cDTree& clsDTree() { return m_clsDTree; }
    QTreeWidget* tvwDir() const { return m_tvwDir; }
    FolderPathLabel* folderLabel() const { return m_folderLabel; }
    QTreeWidget* FILE1() const { return m_FILE1; }
    PreviewPlayer* player() const { return m_player; }
    /// Null in the cut window, and so are the buttons beside it.
    InputList* lstInput() const { return m_lstInput; }
    QPushButton* cmdAdd() const { return m_cmdAdd; }
    QPushButton* cmdDel() const { return m_cmdDel; }
    QPushButton* cmdUp() const { return m_cmdUp; }
    QPushButton* cmdDown() const { return m_cmdDown; }
    QLineEdit* txtOut() const { return m_txtOut; }
    QPushButton* cmdView() const { return m_cmdView; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCan() const { return m_cmdCan; }

    /// FILE1's selected rows and current row (-1 when none).
    QList<int> selectedFileRows() const;
    int currentFileRow() const;

protected:
    /// Return or Enter in FILE1 previews the current file, like a double-click.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    /// "実行" was pressed.
    void runRequested();
    /// "Cancel" was pressed.
    void cancelRequested();
    /// An input entry became current or was clicked, by mouse or keys (row of lstInput).
    void inputChosen(int row);

private:
    void SetValue();
    void clsDTree_Change(const QString& path);
    void showFiles();
    void showInputs();
    void FILE1_DblClick();
    void cmdAdd_Click();
    void cmdDel_Click();
    void moveSelected(int delta);
    void selectInputs(const QList<int>& rows);
    void cmdView_Click();
    void orderTabs();

    InputPanelModel& m_model;
    PreviewControl& m_preview;
    const EditorSettings& m_settings;
    cDTree m_clsDTree;
    IconStore m_imgLst;
    QString m_pendingPath;
    SaveChooser m_saveChooser;

    FolderPathLabel* m_folderLabel = nullptr;
    QTreeWidget* m_tvwDir = nullptr;
    QTreeWidget* m_FILE1 = nullptr;
    PreviewPlayer* m_player = nullptr;
    InputList* m_lstInput = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QPushButton* m_cmdDel = nullptr;
    QPushButton* m_cmdUp = nullptr;
    QPushButton* m_cmdDown = nullptr;
    QLineEdit* m_txtOut = nullptr;
    QPushButton* m_cmdView = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCan = nullptr;
    QVBoxLayout* m_extras = nullptr;
};

} // namespace vello::editor
