// The editor's start menu window, caption "動画ファイル編集メニュー".
#pragma once

#include <QWidget>

class QPushButton;

namespace vello::editor {

/// The start menu: a prompt and one button per tool (RealMedia join, MPEG join, RealMedia cut,
/// settings). Window thread only.
class frmMain : public QWidget
{
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);

    QPushButton* cmdRa() const { return m_cmdRa; }
    QPushButton* cmdMpg() const { return m_cmdMpg; }
    QPushButton* cmdRaCut() const { return m_cmdRaCut; }
    QPushButton* cmdCfg() const { return m_cmdCfg; }

private:
    QPushButton* m_cmdRa = nullptr;
    QPushButton* m_cmdMpg = nullptr;
    QPushButton* m_cmdRaCut = nullptr;
    QPushButton* m_cmdCfg = nullptr;
};

} // namespace vello::editor
