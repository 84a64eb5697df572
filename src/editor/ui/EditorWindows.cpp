#include "EditorWindows.h"

#include "Logging.h"
#include "M_MAIN.h"
#include "ToolWindow.h"
#include "frmCfg.h"
#include "frmMain.h"

#include <QCloseEvent>

namespace vello::editor {

namespace {

void bringBack(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

EditorWindows::EditorWindows(const EditorSettings& settings, const MpvSession::Options& engine,
                             const QString& configPath, QObject* parent)
    : QObject(parent), m_settings(settings), m_engine(engine), m_configPath(configPath),
      m_menu(std::make_unique<frmMain>())
{
    connect(m_menu.get(), &frmMain::toolRequested, this, [this](ToolKind kind) { openTool(kind); });
    connect(m_menu.get(), &frmMain::settingsRequested, this, [this] { openSettings(); });
    m_menu->installEventFilter(this);
}

EditorWindows::~EditorWindows()
{
    // Tool windows are children of the menu; they go with it, before the settings they refer to.
    m_menu.reset();
}

ToolWindow* EditorWindows::openTool(ToolKind kind)
{
    QPointer<ToolWindow>& window = m_tools[slot(kind)];
    if (!window) {
        switch (kind) {
        case ToolKind::RaJoin:
            window = new frmRa(m_settings, m_gate, m_engine, m_menu.get());
            break;
        case ToolKind::MpgJoin:
            window = new frmMpg(m_settings, m_gate, m_engine, m_menu.get());
            break;
        case ToolKind::RaCut:
            window = new frmRaCut(m_settings, m_gate, m_engine, m_menu.get());
            break;
        }
        window->Form_Load();
        qCDebug(lcEditor) << "opened" << window->objectName();
    }
    bringBack(window);
    return window;
}

void EditorWindows::showMenu()
{
    bringBack(m_menu.get());
}

ToolWindow* EditorWindows::tool(ToolKind kind) const
{
    return m_tools[slot(kind)];
}

frmCfg* EditorWindows::settingsWindow() const
{
    return m_cfg;
}

frmCfg* EditorWindows::openSettings()
{
    if (!m_cfg) {
        m_cfg = new frmCfg(m_settings, m_menu.get());
        m_cfg->setWindowFlag(Qt::Window);
        m_cfg->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_cfg, &frmCfg::accepted, this, &EditorWindows::applySettings);
    }
    bringBack(m_cfg);
    return m_cfg;
}

void EditorWindows::applySettings(const EditorSettings& settings)
{
    m_settings = settings;
    if (!M_MAIN::SaveEditorSettings(m_settings, m_configPath))
        qCInfo(lcError) << "editor settings could not be written to" << m_configPath;
}

bool EditorWindows::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_menu.get() && event->type() == QEvent::Close) {
        // The menu owns the tool windows: it closes only when each of them agrees to close.
        for (const QPointer<ToolWindow>& window : m_tools) {
            if (window && !window->close()) {
                event->ignore();
                return true;
            }
        }
        if (m_cfg)
            m_cfg->close();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vello::editor
