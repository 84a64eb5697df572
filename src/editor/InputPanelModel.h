// What a tool window's input panel holds and does, free of widgets: the folder's files, the input list
// and the output path.
#pragma once

#include "EditorSettings.h"
#include "ToolKind.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vello::editor {

/// The logic behind FILE1, lstInput and txtOut. The window tells it the tree's folder and the user's
/// selections (row numbers from 0) and shows what it holds. Paths are kept as the system gave them
/// (NativePath.h); texts meant for the screen come from the *Text functions. Window thread only.
class InputPanelModel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InputPanelModel)

public:
    /// One row of FILE1: "名前", "更新日時", "サイズ".
    struct FileRow
    {
        QString name; ///< file name as stored (may hold undecodable bytes)
        QString date; ///< modification time as the lister shows it
        QString size; ///< bytes / 1024, remainder dropped, followed by "KB"
    };

    /// settings is read at each refill (a changed mask takes effect then); it must outlive the model.
    InputPanelModel(const EditorSettings& settings, ToolKind kind, QObject* parent = nullptr);

    ToolKind kind() const { return m_kind; }

    /// The folder FILE1 lists (the tree's Path, with or without a trailing "/").
    void setFolder(const QString& folder);
    QString folder() const { return m_folder; }

    /// Lists the folder by the window's mask: FILE1 is replaced by the matching files, in the lister's
    /// order. An unreadable or missing folder gives an empty list.
    void FillFileList();
    const QList<FileRow>& files() const { return m_files; }
    /// Folder + name of a FILE1 row; empty for a row that does not exist.
    QString fullPathOf(int row) const;
    /// The shown name of a row (undecodable bytes shown as legacy text).
    QString displayNameOf(int row) const;

    /// The size column's text for a size in bytes: 1023 -> "0KB", 1500 -> "1KB".
    static QString sizeText(qint64 bytes);

    /// The input list: full paths in join order.
    const QStringList& inputs() const { return m_inputs; }
    /// Appends every selected FILE1 row (in list order; duplicates kept). When the output is empty it
    /// becomes OutPath + "/" + the current row's name (the listed folder instead when OutPath is empty
    /// or not a full path); when that names one of the inputs, a free name beside it ("a1_1.rm").
    /// Nothing happens without a selection. Returns whether anything was added.
    bool add(const QList<int>& selectedRows, int currentRow);
    /// Removes the selected input entries; nothing happens when there is no current entry (-1).
    bool remove(const QList<int>& selectedEntries, int currentEntry);
    void clearInputs();
    /// Moves the selected entries one place up (delta < 0) or down (delta > 0) in the join order, keeping
    /// their own order; an entry at the end it moves toward stays, and so do selected entries held up by
    /// it. Returns the rows the selected entries stand at afterwards.
    QList<int> moveInputs(const QList<int>& selectedEntries, int delta);
    /// Moves entries (a drag within the list) to stand, in their order, before the entry now at row
    /// `before` (inputs().size(): at the end). Returns their new rows.
    QList<int> moveInputsTo(const QList<int>& entries, int before);
    /// Appends files dropped from a file manager, in the dropped order: regular files with an extension of
    /// the window's mask; others are left out. An empty output gets the first one's proposal, as with
    /// add(). Returns how many were added.
    int addDropped(const QStringList& paths);

    /// The output file: the path as kept, and the text the output box shows for it.
    QString outputPath() const { return m_output; }
    QString outputText() const;
    /// A path chosen by the program (the proposal, the save dialog).
    void setOutputPath(const QString& path);
    /// Text typed into the output box: while it equals the shown text of the kept path, the kept path
    /// (with any undecodable bytes) stays; otherwise the typed text is the path.
    void setOutputText(const QString& text);

signals:
    void filesChanged();
    void inputsChanged();
    void outputChanged();

private:
    /// The output proposed for an input (a full path): see add().
    QString proposeOutput(const QString& input) const;

    const EditorSettings& m_settings;
    ToolKind m_kind;
    QString m_folder;
    QList<FileRow> m_files;
    QStringList m_inputs;
    QString m_output;
};

} // namespace vello::editor
