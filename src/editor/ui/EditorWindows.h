// The editor's composition: the start menu, the settings record and one window of each tool.
#pragma once

#include "EditRun.h"
#include "EditorSettings.h"
#include "MpvSession.h"
#include "ToolKind.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <memory>

namespace vello::editor {

using media::MpvSession;

class frmCfg;
class frmMain;
class ToolWindow;

/// Owns the start menu and the process's EditorSettings; opens each tool window and the settings window
/// once (a second request brings the open one back), owned by the menu. The settings window's OK updates
/// the record and writes it to Config.ini. All tool windows share one run gate: one run at a time; the
/// menu does not close while a run is going. Window thread only.
class EditorWindows final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditorWindows)

public:
    /// configPath: the Config.ini the settings are written to.
    EditorWindows(const EditorSettings& settings, const MpvSession::Options& engine,
                  const QString& configPath, QObject* parent = nullptr);
    ~EditorWindows() override;

    frmMain& menu() { return *m_menu; }
    /// Brings the menu window to the front (restored when minimised).
    void showMenu();
    const EditorSettings& settings() const { return m_settings; }

    /// The tool window of that kind, opened (and loaded) when it is not open; raised and activated.
    ToolWindow* openTool(ToolKind kind);
    /// The open tool window of that kind; null when none.
    ToolWindow* tool(ToolKind kind) const;
    /// The settings window, opened when it is not open.
    frmCfg* openSettings();
    frmCfg* settingsWindow() const;
    /// Whether a run is going in one of the tool windows.
    bool running() const { return m_gate.busy(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static size_t slot(ToolKind kind) { return static_cast<size_t>(kind); }
    void applySettings(const EditorSettings& settings);

    EditorSettings m_settings;
    RunGate m_gate;
    MpvSession::Options m_engine;
    QString m_configPath;
    std::unique_ptr<frmMain> m_menu;
    std::array<QPointer<ToolWindow>, 3> m_tools;
    QPointer<frmCfg> m_cfg;
};

} // namespace vello::editor
