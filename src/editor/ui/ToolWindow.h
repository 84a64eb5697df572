// The frame the three tool windows share: caption, the input panel with its preview, and room for the
// window's own controls.
#pragma once

#include "EditorSettings.h"
#include "InputPanelModel.h"
#include "MpvSession.h"
#include "PreviewControl.h"
#include "ToolKind.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

namespace vello::editor {

using media::MpvSession;

class InputPanel;

/// A tool window: owns its panel logic (InputPanelModel) and preview player (PreviewControl) and shows
/// them in an InputPanel. Closing can be refused by a guard (while a run is going). Window thread only.
class ToolWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolWindow)

public:
    ToolWindow(ToolKind kind, const EditorSettings& settings, const MpvSession::Options& engine,
               QWidget* parent = nullptr);
    ~ToolWindow() override;

    ToolKind kind() const { return m_kind; }
    InputPanelModel& model() { return m_model; }
    PreviewControl& preview() { return m_preview; }
    InputPanel* panel() const { return m_panel; }

    /// Opens the window's panel at its start folder (from the settings as they are now).
    void Form_Load();

    /// Consulted when the window is asked to close; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

    /// While a run is going the controls that could change its inputs are disabled.
    virtual void setRunning(bool running);

signals:
    /// "実行" was pressed.
    void runRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ToolKind m_kind;
    const EditorSettings& m_settings;
    InputPanelModel m_model;
    PreviewControl m_preview;
    InputPanel* m_panel = nullptr;
    std::function<bool()> m_closeGuard;
};

/// RealMedia join: the panel and a title box "ﾀｲﾄﾙ".
class frmRa final : public ToolWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRa)

public:
    frmRa(const EditorSettings& settings, const MpvSession::Options& engine, QWidget* parent = nullptr);
    QLineEdit* txtTitle() const { return m_txtTitle; }
    void setRunning(bool running) override;

private:
    QLineEdit* m_txtTitle = nullptr;
};

/// MPEG join: the panel only.
class frmMpg final : public ToolWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMpg)

public:
    frmMpg(const EditorSettings& settings, const MpvSession::Options& engine, QWidget* parent = nullptr);
};

/// RealMedia cut: the panel without an input list, the start and end boxes with their "取得" buttons and
/// the note about the first seconds of the result.
class frmRaCut final : public ToolWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRaCut)

public:
    frmRaCut(const EditorSettings& settings, const MpvSession::Options& engine, QWidget* parent = nullptr);
    QLineEdit* txtFrom() const { return m_txtFrom; }
    QLineEdit* txtTO() const { return m_txtTO; }
    QPushButton* cmdGetTime() const { return m_cmdGetTime; }
    QPushButton* cmdGetTimeTO() const { return m_cmdGetTimeTO; }
    void setRunning(bool running) override;

    /// The three lines of the note, as shown.
    static QStringList noteLines();

private:
    QLineEdit* m_txtFrom = nullptr;
    QLineEdit* m_txtTO = nullptr;
    QPushButton* m_cmdGetTime = nullptr;
    QPushButton* m_cmdGetTimeTO = nullptr;
};

} // namespace vello::editor
