// The frame the three tool windows share: caption, the input panel with its preview, and room for the
// window's own controls.
#pragma once

#include "EditRun.h"
#include "EditorSettings.h"
#include "InputPanelModel.h"
#include "KeyframeModel.h"
#include "MpvSession.h"
#include "PreviewControl.h"
#include "RmTitleLookup.h"
#include "ToolKind.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vello::editor {

using media::MpvSession;

class InputPanel;

/// A tool window: owns its panel logic (InputPanelModel), preview player (PreviewControl) and run
/// (EditRun) and shows them in an InputPanel. "実行" hands the window's request to the run; while it goes
/// the window's inputs are disabled and closing is refused with a message. Window thread only.
class ToolWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolWindow)

public:
    ToolWindow(ToolKind kind, const EditorSettings& settings, RunGate& gate,
               const MpvSession::Options& engine, QWidget* parent = nullptr);
    ~ToolWindow() override;

    ToolKind kind() const { return m_kind; }
    InputPanelModel& model() { return m_model; }
    PreviewControl& preview() { return m_preview; }
    EditRun& run() { return m_run; }
    InputPanel* panel() const { return m_panel; }

    /// Opens the window's panel at its start folder (from the settings as they are now).
    void Form_Load();

    /// While a run is going the controls that could change its inputs are disabled.
    virtual void setRunning(bool running);

protected:
    /// What "実行" runs, from the window's controls.
    virtual RunRequest request() = 0;
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdOK_Click();
    void runFinished(EditRun::Outcome outcome);

    ToolKind m_kind;
    const EditorSettings& m_settings;
    InputPanelModel m_model;
    PreviewControl m_preview;
    EditRun m_run;
    InputPanel* m_panel = nullptr;
};

/// RealMedia join: the panel and a title box "ﾀｲﾄﾙ".
class frmRa final : public ToolWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRa)

public:
    frmRa(const EditorSettings& settings, RunGate& gate, const MpvSession::Options& engine,
          QWidget* parent = nullptr);
    QLineEdit* txtTitle() const { return m_txtTitle; }
    void setRunning(bool running) override;
    /// Reads the titles of chosen input entries.
    RmTitleLookup& titles() { return m_titles; }

protected:
    RunRequest request() override;

private:
    QLineEdit* m_txtTitle = nullptr;
    RmTitleLookup m_titles;
    bool m_titleTyped = false; ///< the user typed a title after the last entry was chosen
};

/// MPEG join: the panel only.
class frmMpg final : public ToolWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMpg)

public:
    frmMpg(const EditorSettings& settings, RunGate& gate, const MpvSession::Options& engine,
           QWidget* parent = nullptr);

protected:
    RunRequest request() override;
};

/// RealMedia cut: the panel without an input list, the name of the file a run cuts (the previewed one),
/// the start and end boxes with their "取得" buttons, the start the cut really gets (its keyframe) under
/// the start box, buttons that step the preview between keyframes (marked on its slider), and the note
/// about the first seconds of the result.
class frmRaCut final : public ToolWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRaCut)

public:
    frmRaCut(const EditorSettings& settings, RunGate& gate, const MpvSession::Options& engine,
             QWidget* parent = nullptr);
    QLineEdit* txtFrom() const { return m_txtFrom; }
    QLineEdit* txtTO() const { return m_txtTO; }
    QPushButton* cmdGetTime() const { return m_cmdGetTime; }
    QPushButton* cmdGetTimeTO() const { return m_cmdGetTimeTO; }
    QLabel* lblCutFile() const { return m_lblCutFile; }
    QLabel* lblRealStart() const { return m_lblRealStart; }
    QPushButton* cmdPrevKeyframe() const { return m_cmdPrevKeyframe; }
    QPushButton* cmdNextKeyframe() const { return m_cmdNextKeyframe; }
    KeyframeModel& keyframes() { return m_keyframes; }
    void setRunning(bool running) override;

    /// The three lines of the note, as shown.
    static QStringList noteLines();
    /// The line naming the file a run cuts, for the previewed file's shown name (empty: none).
    static QString cutFileText(const QString& name);

protected:
    RunRequest request() override;

private:
    void showKeyframes();
    void step(bool forward);

    KeyframeModel m_keyframes;
    QLineEdit* m_txtFrom = nullptr;
    QLineEdit* m_txtTO = nullptr;
    QPushButton* m_cmdGetTime = nullptr;
    QPushButton* m_cmdGetTimeTO = nullptr;
    QLabel* m_lblCutFile = nullptr;
    QLabel* m_lblRealStart = nullptr;
    QPushButton* m_cmdPrevKeyframe = nullptr;
    QPushButton* m_cmdNextKeyframe = nullptr;
};

} // namespace vello::editor
