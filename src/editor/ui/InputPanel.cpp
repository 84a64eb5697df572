#include "InputPanel.h"

#include "FilePicker.h"
#include "FolderPathLabel.h"
#include "InputList.h"
#include "NativePath.h"
#include "PreviewPlayer.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vello::editor {

namespace {

constexpr int PathRole = Qt::UserRole;

QString saveFilter(const QString& kind, const QString& extension)
{
    return kind + QStringLiteral("|*.") + extension + QStringLiteral("|すべてのファイル|*");
}

QWidget* column(QWidget* parent, QWidget* top, QWidget* body)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(top);
    layout->addWidget(body, 1);
    return box;
}

} // namespace

InputPanel::InputPanel(InputPanelModel& model, PreviewControl& preview, const EditorSettings& settings,
                       QWidget* parent)
    : QWidget(parent), m_model(model), m_preview(preview), m_settings(settings)
{
    // The tool's own file type first, all files second; a name typed without an extension gets the
    // tool's.
    const bool mpeg = model.kind() == ToolKind::MpgJoin;
    m_saveChooser = [mpeg](QWidget* owner, const QString& title, const QString& folder) {
        FilePicker picker;
        picker.setOwner(owner);
        picker.setTitle(title);
        picker.setStartFolder(folder);
        picker.setFlags(6);
        picker.setFilter(mpeg ? saveFilter(QStringLiteral("MPEGファイル"), QStringLiteral("mpg"))
                              : saveFilter(QStringLiteral("RealMediaファイル"), QStringLiteral("rm")));
        picker.setDefaultSuffix(mpeg ? QStringLiteral("mpg") : QStringLiteral("rm"));
        return picker.ShowSave() ? picker.fullPath() : QString();
    };
    const bool joins = ToolTraits::hasInputList(model.kind());

    // Folder tree with the current folder's path above it.
    m_folderLabel = new FolderPathLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("lblFolder"));
    m_tvwDir = new QTreeWidget(this);
    m_tvwDir->setObjectName(QStringLiteral("tvwDir"));
    m_tvwDir->setMinimumWidth(170);

    // The folder's files.
    auto* hint = new QLabel(QStringLiteral("ダブルクリックで再生します"), this);
    m_FILE1 = new QTreeWidget(this);
    m_FILE1->setObjectName(QStringLiteral("FILE1"));
    m_FILE1->setColumnCount(3);
    m_FILE1->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("更新日時"), QStringLiteral("サイズ")});
    m_FILE1->setRootIsDecorated(false);
    m_FILE1->setUniformRowHeights(true);
    m_FILE1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_FILE1->setAllColumnsShowFocus(true);
    m_FILE1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_FILE1->header()->setStretchLastSection(false);
    m_FILE1->header()->resizeSection(0, 200);
    m_FILE1->header()->resizeSection(1, 140);
    m_FILE1->header()->resizeSection(2, 70);
    m_FILE1->setMinimumWidth(300);

    m_player = new PreviewPlayer(preview, model.kind() == ToolKind::RaCut, this);

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->setObjectName(QStringLiteral("panelSplitter"));
    top->setChildrenCollapsible(false);
    top->addWidget(column(top, m_folderLabel, m_tvwDir));
    top->addWidget(column(top, hint, m_FILE1));
    top->addWidget(m_player);
    top->setStretchFactor(0, 3);
    top->setStretchFactor(1, 5);
    top->setStretchFactor(2, 4);
    top->setSizes({230, 420, 320});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(top, 1);

    if (joins) {
        m_lstInput = new InputList(this);
        m_lstInput->setObjectName(QStringLiteral("lstInput"));
        m_lstInput->setToolTip(QStringLiteral("上から順に結合します。ドラッグで順番を変えられます。"
                                              "ファイルをここにドロップしても追加できます"));
        m_lstInput->setMinimumHeight(80);
        m_lstInput->setMaximumHeight(130);
        m_cmdAdd = new QPushButton(QStringLiteral("ｲﾝﾌﾟｯﾄﾌｧｲﾙに追加"), this);
        m_cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
        m_cmdDel = new QPushButton(QStringLiteral("ｲﾝﾌﾟｯﾄﾌｧｲﾙから削除"), this);
        m_cmdDel->setObjectName(QStringLiteral("cmdDel"));
        m_cmdUp = new QPushButton(QStringLiteral("上へ(&U)"), this);
        m_cmdUp->setObjectName(QStringLiteral("cmdUp"));
        m_cmdUp->setToolTip(QStringLiteral("選んだｲﾝﾌﾟｯﾄﾌｧｲﾙを一つ上へ移します（結合で前になります）"));
        m_cmdDown = new QPushButton(QStringLiteral("下へ(&D)"), this);
        m_cmdDown->setObjectName(QStringLiteral("cmdDown"));
        m_cmdDown->setToolTip(QStringLiteral("選んだｲﾝﾌﾟｯﾄﾌｧｲﾙを一つ下へ移します（結合で後になります）"));
        auto* inputLabel = new QLabel(QStringLiteral("ｲﾝﾌﾟｯﾄﾌｧｲﾙ"), this);
        inputLabel->setBuddy(m_lstInput);
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(m_cmdAdd);
        buttons->addWidget(m_cmdDel);
        auto* order = new QHBoxLayout;
        order->addWidget(m_cmdUp);
        order->addWidget(m_cmdDown);
        buttons->addLayout(order);
        buttons->addStretch(1);
        auto* inputs = new QGridLayout;
        inputs->addWidget(inputLabel, 0, 0);
        inputs->addWidget(m_lstInput, 1, 0);
        inputs->addLayout(buttons, 1, 1);
        inputs->setColumnStretch(0, 1);
        layout->addLayout(inputs);
        connect(m_cmdAdd, &QPushButton::clicked, this, &InputPanel::cmdAdd_Click);
        connect(m_cmdDel, &QPushButton::clicked, this, &InputPanel::cmdDel_Click);
        connect(m_cmdUp, &QPushButton::clicked, this, [this] { moveSelected(-1); });
        connect(m_cmdDown, &QPushButton::clicked, this, [this] { moveSelected(1); });
        connect(m_lstInput, &InputList::entriesMoved, this, [this](const QList<int>& rows, int before) {
            selectInputs(m_model.moveInputsTo(rows, before));
        });
        connect(m_lstInput, &InputList::filesDropped, this, [this](const QStringList& paths) {
            const int first = int(m_model.inputs().size());
            const int added = m_model.addDropped(paths);
            QList<int> rows;
            for (int i = 0; i < added; ++i)
                rows.append(first + i);
            selectInputs(rows);
        });
        connect(m_lstInput, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0)
                emit inputChosen(row);
        });
        // A click on the entry that is current already reads it again.
        connect(m_lstInput, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { emit inputChosen(m_lstInput->row(item)); });
        connect(&m_model, &InputPanelModel::inputsChanged, this, &InputPanel::showInputs);
    }

    m_extras = new QVBoxLayout;
    m_extras->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_extras);

    m_txtOut = new QLineEdit(this);
    m_txtOut->setObjectName(QStringLiteral("txtOut"));
    m_cmdView = new QPushButton(QStringLiteral("参照"), this);
    m_cmdView->setObjectName(QStringLiteral("cmdView"));
    auto* outLabel = new QLabel(QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙ"), this);
    outLabel->setBuddy(m_txtOut);
    auto* output = new QHBoxLayout;
    output->addWidget(outLabel);
    output->addWidget(m_txtOut, 1);
    output->addWidget(m_cmdView);
    layout->addLayout(output);

    m_cmdOK = new QPushButton(QStringLiteral("実行"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdCan = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCan->setObjectName(QStringLiteral("cmdCan"));
    auto* run = new QHBoxLayout;
    run->addStretch(1);
    run->addWidget(m_cmdOK);
    run->addWidget(m_cmdCan);
    layout->addLayout(run);

    connect(&m_clsDTree, &cDTree::Change, this, &InputPanel::clsDTree_Change);
    connect(&m_model, &InputPanelModel::filesChanged, this, &InputPanel::showFiles);
    connect(&m_model, &InputPanelModel::outputChanged, this, [this] {
        if (m_txtOut->text() != m_model.outputText())
            m_txtOut->setText(m_model.outputText());
    });
    connect(m_txtOut, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_model.setOutputText(text); });
    connect(m_FILE1, &QTreeWidget::itemDoubleClicked, this, [this] { FILE1_DblClick(); });
    m_FILE1->installEventFilter(this);
    connect(m_cmdView, &QPushButton::clicked, this, &InputPanel::cmdView_Click);
    connect(m_cmdOK, &QPushButton::clicked, this, &InputPanel::runRequested);
    connect(m_cmdCan, &QPushButton::clicked, this, &InputPanel::cancelRequested);
    orderTabs();
}

void InputPanel::orderTabs()
{
    // Tab follows the layout: top to bottom, left to right.
    const auto focusable = [](QWidget* w) { return w && (w->focusPolicy() & Qt::TabFocus); };
    QList<QWidget*> chain{m_tvwDir, m_FILE1};
    for (QWidget* w : m_player->findChildren<QWidget*>())
        chain << w;
    chain << m_lstInput << m_cmdAdd << m_cmdDel << m_cmdUp << m_cmdDown;
    for (int i = 0; i < m_extras->count(); ++i) {
        if (QWidget* extra = m_extras->itemAt(i)->widget())
            chain << extra->findChildren<QWidget*>();
    }
    chain << m_txtOut << m_cmdView << m_cmdOK << m_cmdCan;
    chain.removeIf([&](QWidget* w) { return !focusable(w); });
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i), chain.at(i + 1));
}

void InputPanel::Form_Load(const QString& startFolder)
{
    // The tree opens at the start folder; the label and FILE1 follow it.
    m_pendingPath = startFolder.endsWith(u'/') ? startFolder : startFolder + u'/';
    SetValue();
}

void InputPanel::SetValue()
{
    m_clsDTree.setTreeView(m_tvwDir);
    m_clsDTree.setImageList(&m_imgLst);
    if (!m_pendingPath.isEmpty())
        m_clsDTree.setPath(m_pendingPath);
    clsDTree_Change(m_clsDTree.Path());
    m_pendingPath.clear();
}

void InputPanel::clsDTree_Change(const QString& path)
{
    m_folderLabel->setPath(path);
    m_model.setFolder(path);
    m_model.FillFileList();
}

void InputPanel::FillFileList()
{
    m_model.setFolder(m_clsDTree.Path());
    m_model.FillFileList();
}

void InputPanel::showFiles()
{
    m_FILE1->clear();
    const auto& files = m_model.files();
    QList<QTreeWidgetItem*> items;
    items.reserve(files.size());
    for (int row = 0; row < files.size(); ++row) {
        auto* item =
            new QTreeWidgetItem({m_model.displayNameOf(row), files.at(row).date, files.at(row).size});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, m_model.displayNameOf(row));
        items.append(item);
    }
    m_FILE1->addTopLevelItems(items);
    if (!items.isEmpty()) {
        m_FILE1->setCurrentItem(items.first());
        items.first()->setSelected(true);
    }
}

void InputPanel::showInputs()
{
    if (!m_lstInput)
        return;
    m_lstInput->clear();
    for (const QString& path : m_model.inputs()) {
        auto* item = new QListWidgetItem(displayPath(path), m_lstInput);
        item->setData(PathRole, path);
    }
}

QList<int> InputPanel::selectedFileRows() const
{
    QList<int> rows;
    for (QTreeWidgetItem* item : m_FILE1->selectedItems())
        rows.append(m_FILE1->indexOfTopLevelItem(item));
    return rows;
}

int InputPanel::currentFileRow() const
{
    QTreeWidgetItem* current = m_FILE1->currentItem();
    return current && current->isSelected() ? m_FILE1->indexOfTopLevelItem(current) : -1;
}

void InputPanel::FILE1_DblClick()
{
    const int row = m_FILE1->currentItem() ? m_FILE1->indexOfTopLevelItem(m_FILE1->currentItem()) : -1;
    if (row < 0)
        return;
    m_preview.open(m_model.fullPathOf(row));
}

bool InputPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_FILE1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            FILE1_DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void InputPanel::cmdAdd_Click()
{
    m_model.add(selectedFileRows(), currentFileRow());
}

void InputPanel::cmdDel_Click()
{
    QList<int> rows;
    for (QListWidgetItem* item : m_lstInput->selectedItems())
        rows.append(m_lstInput->row(item));
    m_model.remove(rows, m_lstInput->currentRow());
}

void InputPanel::moveSelected(int delta)
{
    QList<int> rows;
    for (QListWidgetItem* item : m_lstInput->selectedItems())
        rows.append(m_lstInput->row(item));
    selectInputs(m_model.moveInputs(rows, delta));
}

void InputPanel::selectInputs(const QList<int>& rows)
{
    // The list was shown anew: the moved or added entries stay selected, the first of them current.
    m_lstInput->clearSelection();
    for (int row : rows) {
        if (QListWidgetItem* item = m_lstInput->item(row))
            item->setSelected(true);
    }
    if (!rows.isEmpty())
        m_lstInput->setCurrentRow(rows.first(), QItemSelectionModel::Current);
}

void InputPanel::cmdView_Click()
{
    // The output folder setting, or the listed folder when the setting names no folder.
    const QString folder = m_settings.OutPath.startsWith(u'/') ? m_settings.OutPath : m_clsDTree.Path();
    const QString chosen = m_saveChooser(this, saveChooserTitle(), folder);
    if (!chosen.isEmpty())
        m_model.setOutputPath(chosen);
}

void InputPanel::addExtras(QWidget* extras)
{
    m_extras->addWidget(extras);
    orderTabs();
}

void InputPanel::setEditable(bool editable)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_tvwDir, m_FILE1, m_lstInput, m_cmdAdd, m_cmdDel, m_cmdUp,
                                         m_cmdDown, m_txtOut, m_cmdView, m_cmdOK, m_cmdCan}) {
        if (w)
            w->setEnabled(editable);
    }
}

} // namespace vello::editor
