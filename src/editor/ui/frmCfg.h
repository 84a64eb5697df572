// The editor's settings window, caption "環境設定": three folders and two extension masks.
#pragma once

#include "EditorSettings.h"

#include <QWidget>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace vello::editor {

/// Shows the settings it is given; OK emits them as typed (no checks) and closes, Cancel closes. It
/// reads and writes no file itself. Window thread only.
class frmCfg final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmCfg)

public:
    /// Asks for a folder: owner, title, start folder; returns the chosen folder or empty text on cancel.
    using FolderChooser = std::function<QString(QWidget*, const QString&, const QString&)>;

    explicit frmCfg(const EditorSettings& settings, QWidget* parent = nullptr);

    /// Replaces the folder chooser (default: the desktop's folder dialog).
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }

    /// The values the boxes hold now.
    EditorSettings values() const;

    QLineEdit* txtInput(int index) const { return m_txtInput.at(size_t(index)); }
    QLineEdit* txtExt(int index) const { return m_txtExt.at(size_t(index)); }
    QPushButton* cmdView(int index) const { return m_cmdView.at(size_t(index)); }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCan() const { return m_cmdCan; }

    /// The chooser's title, the same for all three folders.
    static QString chooserTitle() { return QStringLiteral("ｲﾝﾌﾟｯﾄ初期ﾌｫﾙﾀﾞ設定"); }

signals:
    /// OK was pressed with these values.
    void accepted(const vello::editor::EditorSettings& settings);

private:
    void cmdView_Click(int index);

    std::array<QLineEdit*, 3> m_txtInput{};
    std::array<QLineEdit*, 2> m_txtExt{};
    std::array<QPushButton*, 3> m_cmdView{};
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCan = nullptr;
    FolderChooser m_chooser;
};

} // namespace vello::editor
