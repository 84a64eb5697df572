// The editor's start menu window, caption "動画ファイル編集メニュー".
#pragma once

#include "ToolKind.h"

#include <QWidget>

class QToolButton;

namespace vello::editor {

/// The start menu: a prompt and one picture button per tool (RealMedia join, MPEG join, RealMedia cut)
/// and for the settings, each with its caption beside it. It only asks for windows; the editor's
/// composition opens them. Window thread only.
class frmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    explicit frmMain(QWidget* parent = nullptr);

    QToolButton* cmdRa() const { return m_cmdRa; }
    QToolButton* cmdMpg() const { return m_cmdMpg; }
    QToolButton* cmdRaCut() const { return m_cmdRaCut; }
    QToolButton* cmdCfg() const { return m_cmdCfg; }

signals:
    void toolRequested(vello::editor::ToolKind kind);
    void settingsRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* m_cmdRa = nullptr;
    QToolButton* m_cmdMpg = nullptr;
    QToolButton* m_cmdRaCut = nullptr;
    QToolButton* m_cmdCfg = nullptr;
};

} // namespace vello::editor
