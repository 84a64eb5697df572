#include "ToolWindow.h"

#include "InputPanel.h"
#include "KeyframeSlider.h"
#include "MessageService.h"
#include "PreviewPlayer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vello::editor {

ToolWindow::ToolWindow(ToolKind kind, const EditorSettings& settings, RunGate& gate,
                       const MpvSession::Options& engine, QWidget* parent)
    : QWidget(parent, Qt::Window), m_kind(kind), m_settings(settings), m_model(settings, kind),
      m_preview(ToolTraits::preview(kind), engine), m_run(gate)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ToolTraits::caption(kind));
    m_panel = new InputPanel(m_model, m_preview, settings, this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_panel);
    connect(m_panel, &InputPanel::runRequested, this, &ToolWindow::cmdOK_Click);
    connect(m_panel, &InputPanel::cancelRequested, this, &QWidget::close);
    connect(&m_run, &EditRun::started, this, [this] {
        // The joins let go of the previewed file before they read their inputs.
        if (ToolTraits::hasInputList(m_kind))
            m_preview.empty();
        setRunning(true);
        setCursor(Qt::BusyCursor);
    });
    // The normal pointer and the controls come back before the closing messages.
    connect(&m_run, &EditRun::workEnded, this, [this] {
        unsetCursor();
        setRunning(false);
    });
    connect(&m_run, &EditRun::finished, this, &ToolWindow::runFinished);
    m_run.setOwner(this);
    resize(1000, 620);
}

ToolWindow::~ToolWindow()
{
    // The panel shows the model and the preview: it goes first.
    delete m_panel;
    m_panel = nullptr;
}

void ToolWindow::Form_Load()
{
    m_panel->Form_Load(ToolTraits::startFolder(m_kind, m_settings));
}

void ToolWindow::setRunning(bool running)
{
    m_panel->setEditable(!running);
}

void ToolWindow::cmdOK_Click()
{
    if (m_run.isRunning())
        return;
    RunRequest r = request();
    r.window = winId();
    m_run.start(r);
}

void ToolWindow::runFinished(EditRun::Outcome outcome)
{
    unsetCursor();
    setRunning(false);
    if (outcome != EditRun::Outcome::Succeeded)
        return;
    m_panel->FillFileList();
    if (ToolTraits::hasInputList(m_kind))
        m_model.clearInputs();
}

void ToolWindow::closeEvent(QCloseEvent* event)
{
    if (m_run.isRunning()) {
        const ScopedMessageOwner owner(this);
        MessageService::warning(EditRun::closeRefusedText());
        event->ignore();
        return;
    }
    m_preview.empty();
    event->accept();
}

// ---------------------------------------------------------------------------------------------------

frmRa::frmRa(const EditorSettings& settings, RunGate& gate, const MpvSession::Options& engine,
             QWidget* parent)
    : ToolWindow(ToolKind::RaJoin, settings, gate, engine, parent)
{
    setObjectName(QStringLiteral("frmRa"));
    auto* extras = new QWidget(this);
    auto* row = new QHBoxLayout(extras);
    row->setContentsMargins(0, 0, 0, 0);
    m_txtTitle = new QLineEdit(extras);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    auto* label = new QLabel(QStringLiteral("ﾀｲﾄﾙ"), extras);
    label->setBuddy(m_txtTitle);
    row->addWidget(label);
    row->addWidget(m_txtTitle, 1);
    panel()->addExtras(extras);

    // The input entry that becomes current (by mouse or keys) shows its file's title, unless the user has
    // typed a title since; a file that cannot be read leaves the box alone.
    connect(panel(), &InputPanel::inputChosen, this, [this](int row) {
        if (row < 0 || row >= model().inputs().size())
            return;
        m_titleTyped = false;
        m_titles.request(model().inputs().at(row));
    });
    connect(m_txtTitle, &QLineEdit::textEdited, this, [this] { m_titleTyped = true; });
    connect(&m_titles, &RmTitleLookup::titleFound, this, [this](const QString&, const QString& title) {
        if (!m_titleTyped)
            m_txtTitle->setText(title);
    });
}

RunRequest frmRa::request()
{
    RunRequest r;
    r.kind = ToolKind::RaJoin;
    r.inputs = model().inputs();
    r.title = m_txtTitle->text();
    r.output = model().outputPath();
    return r;
}

void frmRa::setRunning(bool running)
{
    ToolWindow::setRunning(running);
    m_txtTitle->setEnabled(!running);
}

frmMpg::frmMpg(const EditorSettings& settings, RunGate& gate, const MpvSession::Options& engine,
               QWidget* parent)
    : ToolWindow(ToolKind::MpgJoin, settings, gate, engine, parent)
{
    setObjectName(QStringLiteral("frmMpg"));
}

RunRequest frmMpg::request()
{
    RunRequest r;
    r.kind = ToolKind::MpgJoin;
    r.inputs = model().inputs();
    r.output = model().outputPath();
    return r;
}

frmRaCut::frmRaCut(const EditorSettings& settings, RunGate& gate, const MpvSession::Options& engine,
                   QWidget* parent)
    : ToolWindow(ToolKind::RaCut, settings, gate, engine, parent)
{
    setObjectName(QStringLiteral("frmRaCut"));
    auto* extras = new QWidget(this);
    auto* grid = new QGridLayout(extras);
    grid->setContentsMargins(0, 0, 0, 0);
    m_lblCutFile = new QLabel(cutFileText(QString()), extras);
    m_lblCutFile->setObjectName(QStringLiteral("lblCutFile"));
    m_lblCutFile->setTextFormat(Qt::PlainText);
    grid->addWidget(m_lblCutFile, 0, 0, 1, 4);
    const auto addPosition = [extras, grid](int row, const QString& caption, const char* boxName,
                                            const char* buttonName, QLineEdit*& box, QPushButton*& button) {
        box = new QLineEdit(QStringLiteral("0"), extras);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setMaximumWidth(120);
        button = new QPushButton(QStringLiteral("取得"), extras);
        button->setObjectName(QString::fromLatin1(buttonName));
        auto* label = new QLabel(caption, extras);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(button, row, 2);
    };
    addPosition(1, QStringLiteral("開始位置"), "txtFrom", "cmdGetTime", m_txtFrom, m_cmdGetTime);
    m_lblRealStart = new QLabel(extras);
    m_lblRealStart->setObjectName(QStringLiteral("lblRealStart"));
    m_lblRealStart->setTextFormat(Qt::PlainText);
    m_lblRealStart->setToolTip(
        QStringLiteral("切り抜きは、開始位置かその前の最も近いキーフレームから始まります"));
    grid->addWidget(m_lblRealStart, 2, 1, 1, 2);
    addPosition(3, QStringLiteral("終了位置"), "txtTO", "cmdGetTimeTO", m_txtTO, m_cmdGetTimeTO);
    auto* note = new QLabel(noteLines().join(u'\n'), extras);
    note->setObjectName(QStringLiteral("lblNote"));
    note->setTextFormat(Qt::PlainText);
    grid->addWidget(note, 1, 3, 3, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(3, 20);

    // Stepping between keyframes, beside the preview's position.
    PreviewPlayer* player = panel()->player();
    player->sourceLabel()->hide(); // the file is named above the start box
    m_cmdPrevKeyframe = new QPushButton(QStringLiteral("前のキーフレーム(&B)"), player);
    m_cmdPrevKeyframe->setObjectName(QStringLiteral("cmdPrevKeyframe"));
    m_cmdPrevKeyframe->setToolTip(
        QStringLiteral("プレビューを前のキーフレームへ移します（切り抜きはキーフレームから始まります）"));
    m_cmdNextKeyframe = new QPushButton(QStringLiteral("次のキーフレーム(&N)"), player);
    m_cmdNextKeyframe->setObjectName(QStringLiteral("cmdNextKeyframe"));
    m_cmdNextKeyframe->setToolTip(
        QStringLiteral("プレビューを次のキーフレームへ移します（切り抜きはキーフレームから始まります）"));
    player->addToFieldRow(m_cmdPrevKeyframe);
    player->addToFieldRow(m_cmdNextKeyframe);
    panel()->addExtras(extras); // after the player's own buttons: the tab order takes them all

    // "取得": the preview's position, in milliseconds.
    connect(m_cmdGetTime, &QPushButton::clicked, this,
            [this] { m_txtFrom->setText(QString::number(preview().positionMs())); });
    connect(m_cmdGetTimeTO, &QPushButton::clicked, this,
            [this] { m_txtTO->setText(QString::number(preview().positionMs())); });
    // A run cuts the previewed file: its name, keyframes and the real start follow it.
    connect(&preview(), &PreviewControl::sourceChanged, this, [this] {
        m_lblCutFile->setText(cutFileText(preview().sourceName()));
        m_keyframes.setSource(preview().source());
    });
    connect(&m_keyframes, &KeyframeModel::changed, this, &frmRaCut::showKeyframes);
    // A cut written over the previewed file changed its keyframes.
    connect(&run(), &EditRun::finished, this, [this](EditRun::Outcome outcome) {
        if (outcome == EditRun::Outcome::Succeeded && run().writtenFile() == m_keyframes.path()) {
            m_keyframes.setSource(QString());
            m_keyframes.setSource(preview().source());
        }
    });
    connect(m_txtFrom, &QLineEdit::textChanged, this, &frmRaCut::showKeyframes);
    connect(m_cmdPrevKeyframe, &QPushButton::clicked, this, [this] { step(false); });
    connect(m_cmdNextKeyframe, &QPushButton::clicked, this, [this] { step(true); });
    showKeyframes();
}

void frmRaCut::showKeyframes()
{
    m_lblRealStart->setText(m_keyframes.realStartText(m_txtFrom->text()));
    panel()->player()->positionSlider()->setMarks(m_keyframes.times());
    const bool any = !m_keyframes.times().isEmpty();
    m_cmdPrevKeyframe->setEnabled(any);
    m_cmdNextKeyframe->setEnabled(any);
}

void frmRaCut::step(bool forward)
{
    const qint32 here = preview().positionMs();
    if (const std::optional<qint32> target = forward ? m_keyframes.next(here) : m_keyframes.previous(here))
        preview().seekMs(*target);
}

RunRequest frmRaCut::request()
{
    RunRequest r;
    r.kind = ToolKind::RaCut;
    r.source = preview().source();
    r.fromText = m_txtFrom->text();
    r.toText = m_txtTO->text();
    r.output = model().outputPath();
    return r;
}

QStringList frmRaCut::noteLines()
{
    return {QStringLiteral("※切り抜き後のファイルは、開始5秒くらい画面が止まりますので、"),
            QStringLiteral("　 開始は少し早めにしておいてください。"),
            QStringLiteral("（これはRealProduerのVersionによって異なります）")};
}

QString frmRaCut::cutFileText(const QString& name)
{
    return QStringLiteral("切り抜くファイル: ") +
           (name.isEmpty() ? QStringLiteral("（なし。一覧のファイルをダブルクリックして再生してください）")
                           : name);
}

void frmRaCut::setRunning(bool running)
{
    ToolWindow::setRunning(running);
    for (QWidget* w : std::initializer_list<QWidget*>{m_txtFrom, m_txtTO, m_cmdGetTime, m_cmdGetTimeTO})
        w->setEnabled(!running);
}

} // namespace vello::editor
