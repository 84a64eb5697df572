// The settings window: three pages of controls over the player's settings; OK saves and applies them.
#pragma once

#include "SettingsEditor.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vello {

/**
 * frmCfg, caption "環境設定". Open it modally, owned by the main window (pass it as parent). The controls
 * are filled from SettingsEditor::load() when the window is made; OK hands them to SettingsEditor::save(),
 * closes the window and runs SettingsEditor::apply(); Cancel, Esc and the close box close it with nothing
 * written or applied. When saving fails (the standard error report was shown) the window stays open.
 * Window thread only.
 */
class frmCfg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmCfg)

public:
    /// Shows the folder chooser: start folder, owner, title; returns the chosen folder's full path without
    /// a trailing separator, or empty text when cancelled.
    using FolderChooser =
        std::function<QString(const QString& startFolder, QWidget* owner, const QString& title)>;

    /// editor: the settings logic (not owned; must outlive the window).
    explicit frmCfg(SettingsEditor& editor, QWidget* parent = nullptr);

    /// Replaces the folder chooser of cmdDir (the support library's FolderPicker by default).
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    /// What the controls hold now.
    CfgControls controls() const;
    /// Sets every control to the given values; txtDir and cmdDir are enabled exactly when optDir is selected.
    void setControls(const CfgControls& controls);

    QTabWidget* tab1() const { return m_tab1; }
    /// The page of tab index 0..2 ("全般", "動作", "ファイルリスト").
    QWidget* fraTab(int index) const { return m_fraTab.at(index); }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCan() const { return m_cmdCan; }
    QCheckBox* chkModal() const { return m_chkModal; }
    QCheckBox* chkSize() const { return m_chkSize; }
    QRadioButton* optFa() const { return m_optFa; }
    QRadioButton* optLastTime() const { return m_optLastTime; }
    QRadioButton* optDir() const { return m_optDir; }
    QLineEdit* txtDir() const { return m_txtDir; }
    QPushButton* cmdDir() const { return m_cmdDir; }
    QCheckBox* chkPick() const { return m_chkPick; }
    QRadioButton* optPlayMode(int index) const { return m_optPlayMode.at(index); }
    QComboBox* cboTimer() const { return m_cboTimer; }
    QLineEdit* txtExt() const { return m_txtExt; }
    QCheckBox* chkSendRecycle() const { return m_chkSendRecycle; }
    QCheckBox* chkTitle() const { return m_chkTitle; }
    QCheckBox* chkFileSize() const { return m_chkFileSize; }
    QCheckBox* chkTime() const { return m_chkTime; }

public slots:
    void cmdDir_Click();
    void cmdOK_Click();
    void cmdCan_Click();

private:
    QWidget* createGeneralPage();
    QWidget* createPlayPage();
    QWidget* createFileListPage();
    void setFolderFieldEnabled(bool enabled);

    SettingsEditor& m_editor;
    FolderChooser m_chooseFolder;

    QTabWidget* m_tab1 = nullptr;
    std::array<QWidget*, 3> m_fraTab{};
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCan = nullptr;
    QCheckBox* m_chkModal = nullptr;
    QCheckBox* m_chkSize = nullptr;
    QRadioButton* m_optFa = nullptr;
    QRadioButton* m_optLastTime = nullptr;
    QRadioButton* m_optDir = nullptr;
    QLineEdit* m_txtDir = nullptr;
    QPushButton* m_cmdDir = nullptr;
    QCheckBox* m_chkPick = nullptr;
    std::array<QRadioButton*, 4> m_optPlayMode{};
    QLabel* m_label2 = nullptr;
    QComboBox* m_cboTimer = nullptr;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_txtExt = nullptr;
    QLabel* m_label3 = nullptr;
    QCheckBox* m_chkSendRecycle = nullptr;
    QCheckBox* m_chkTitle = nullptr;
    QCheckBox* m_chkFileSize = nullptr;
    QCheckBox* m_chkTime = nullptr;
};

} // namespace vello
