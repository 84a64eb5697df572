#include "frmFa.h"

#include "FavouritesFile.h"
#include "FavouritesManager.h"
#include "FavouritesTree.h"
#include "FilePicker.h"
#include "NativePath.h"
#include "frmFaFolder.h"

#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vello {

namespace {

enum class Mark
{
    Plus,
    Cross
};

/// A button picture: a page (file) or a folder with a green plus or a red cross.
QIcon buttonPicture(bool folder, Mark mark)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (folder) {
        p.drawPixmap(QRect(1, 2, 20, 20), FavouritesTree::image(1).pixmap(16, 16));
    } else {
        p.setPen(QPen(QColor(90, 90, 110), 1));
        p.setBrush(Qt::white);
        const QPointF page[] = {{4.5, 2.5}, {13.5, 2.5}, {17.5, 6.5}, {17.5, 20.5}, {4.5, 20.5}};
        p.drawPolygon(page, 5);
        p.setPen(QPen(QColor(160, 170, 200), 1));
        for (int y = 9; y <= 17; y += 3)
            p.drawLine(QPointF(7, y + 0.5), QPointF(15, y + 0.5));
    }
    const QColor color = mark == Mark::Plus ? QColor(30, 150, 40) : QColor(210, 40, 40);
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(17.5, 17.5);
    if (mark == Mark::Plus) {
        p.drawLine(c + QPointF(-4, 0), c + QPointF(4, 0));
        p.drawLine(c + QPointF(0, -4), c + QPointF(0, 4));
    } else {
        p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
        p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
    }
    return QIcon(pixmap);
}

QToolButton* pictureButton(QWidget* parent, const char* name, const QString& tip, const QIcon& picture)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setIcon(picture);
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(false);
    return button;
}

} // namespace

/// Ends a folder label's edit through the manager: a refused name leaves the old text.
class frmFa::LabelDelegate final : public QStyledItemDelegate
{
public:
    LabelDelegate(frmFa* window) : QStyledItemDelegate(window), m_window(window) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        // A message shown here takes the focus from the editor, which commits once more: ignore that.
        if (m_committing)
            return;
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (!edit)
            return;
        const int node = index.parent().isValid() ? index.row() + 1 : 0;
        if (m_window->m_manager->nodeText(node) == edit->text())
            return; // unchanged: nothing to do
        m_committing = true;
        m_window->m_manager->afterLabelEdit(node, edit->text());
        m_committing = false;
    }

private:
    frmFa* m_window;
    mutable bool m_committing = false;
};

frmFa::frmFa(FavouritesStore& store, const QString& fileExt, const QStringList& extList, QWidget* parent)
    : QDialog(parent), m_manager(new FavouritesManager(store, this)), m_fileExt(fileExt), m_extList(extList)
{
    setObjectName(QStringLiteral("frmFa"));
    setWindowTitle(FavouritesManager::caption());
    if (parent)
        setWindowIcon(parent->window()->windowIcon());
    m_manager->setExtList(extList);
    m_manager->setFolderChooser([this, &store] { return frmFaFolder::choose(store.list(), this); });

    m_treFa = new QTreeWidget(this);
    m_treFa->setObjectName(QStringLiteral("treFa"));
    m_treFa->setHeaderHidden(true);
    m_treFa->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_treFa->setItemDelegate(new LabelDelegate(this));
    m_treFa->viewport()->setAcceptDrops(true);
    m_treFa->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_treFa->viewport()->installEventFilter(this);

    m_lstFa = new QListWidget(this);
    m_lstFa->setObjectName(QStringLiteral("lstFa"));
    m_lstFa->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstFa->setToolTip(FavouritesManager::listTip());
    m_lstFa->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_lstFa->viewport()->setAcceptDrops(true);
    m_lstFa->viewport()->installEventFilter(this);

    m_cmdAdd = pictureButton(this, "cmdAdd", QStringLiteral("ﾌｧｲﾙ追加"), buttonPicture(false, Mark::Plus));
    m_cmdDel = pictureButton(this, "cmdDel", QStringLiteral("ﾌｧｲﾙをお気に入りから削除"),
                             buttonPicture(false, Mark::Cross));
    m_cmdDelDir =
        pictureButton(this, "cmdDelDir", QStringLiteral("ﾌｫﾙﾀﾞ削除"), buttonPicture(true, Mark::Cross));
    m_cmdAddFolder =
        pictureButton(this, "cmdAddFolder", QStringLiteral("新規ﾌｫﾙﾀﾞ"), buttonPicture(true, Mark::Plus));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdAddFolder);
    buttons->addWidget(m_cmdDelDir);
    buttons->addSpacing(12);
    buttons->addWidget(m_cmdAdd);
    buttons->addWidget(m_cmdDel);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addLayout(buttons, 0, 0, 1, 2);
    layout->addWidget(m_treFa, 1, 0);
    layout->addWidget(m_lstFa, 1, 1);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 5);
    resize(680, 400);

    // Keys reach the window before its controls.
    for (QWidget* w : {static_cast<QWidget*>(m_treFa), static_cast<QWidget*>(m_lstFa),
                       static_cast<QWidget*>(m_cmdAdd), static_cast<QWidget*>(m_cmdDel),
                       static_cast<QWidget*>(m_cmdDelDir), static_cast<QWidget*>(m_cmdAddFolder)})
        w->installEventFilter(this);

    connect(m_manager, &FavouritesManager::nodesChanged, this, &frmFa::renderNodes);
    connect(m_manager, &FavouritesManager::selectedNodeChanged, this, &frmFa::renderSelection);
    connect(m_manager, &FavouritesManager::itemsChanged, this, &frmFa::renderItems);
    connect(m_manager, &FavouritesManager::buttonsEnabledChanged, this, [this](bool enabled) {
        m_cmdAdd->setEnabled(enabled);
        m_cmdDel->setEnabled(enabled);
        m_cmdDelDir->setEnabled(enabled);
    });
    connect(m_treFa, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { treFa_NodeClick(item); });
    connect(m_cmdAdd, &QToolButton::clicked, this, &frmFa::cmdAdd_Click);
    connect(m_cmdDel, &QToolButton::clicked, this, &frmFa::cmdDel_Click);
    connect(m_cmdDelDir, &QToolButton::clicked, this, &frmFa::cmdDelDir_Click);
    connect(m_cmdAddFolder, &QToolButton::clicked, this, &frmFa::cmdAddFolder_Click);

    m_cmdAdd->setEnabled(false);
    m_cmdDel->setEnabled(false);
    m_cmdDelDir->setEnabled(false);
    m_manager->load();
}

frmFa::~frmFa()
{
    unload();
}

void frmFa::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_manager->unload();
}

void frmFa::done(int result)
{
    unload();
    QDialog::done(result);
}

void frmFa::renderNodes()
{
    QStringList nodes;
    for (int node = 1; node < m_manager->nodeCount(); ++node)
        nodes << m_manager->nodeText(node);
    FavouritesTree::sync(m_treFa, nodes, /*editable=*/true);
    renderSelection(m_manager->selectedNode());
}

void frmFa::renderSelection(int node)
{
    FavouritesTree::selectNode(m_treFa, node);
}

void frmFa::renderItems()
{
    m_lstFa->clear();
    for (const QString& path : m_manager->items()) {
        auto* item = new QListWidgetItem(displayPath(path), m_lstFa);
        item->setData(Qt::UserRole, path);
    }
}

void frmFa::treFa_NodeClick(QTreeWidgetItem* item)
{
    const int node = FavouritesTree::nodeOf(m_treFa, item);
    if (node < 0)
        return;
    if (m_manager->nodeClick(node) == FavouritesManager::ClickResult::StartEdit &&
        m_manager->beforeLabelEdit(node))
        m_treFa->editItem(item, 0);
}

void frmFa::cmdAdd_Click()
{
    FilePicker picker;
    picker.setFileName(QString());
    picker.setTitle(FavouritesManager::chooserTitle());
    picker.setFilter(FavouritesManager::chooserFilter(m_fileExt, m_extList));
    picker.setFlags(6660);
    picker.setStartFolder(QDir::currentPath());
    picker.setOwner(this);
    if (picker.ShowOpen().isEmpty())
        return;
    m_manager->addFiles(picker.selectedPaths());
}

void frmFa::cmdDel_Click()
{
    QList<int> rows;
    for (const QListWidgetItem* item : m_lstFa->selectedItems())
        rows << m_lstFa->row(item);
    if (rows.isEmpty())
        return;
    m_manager->removeFiles(rows);
}

void frmFa::cmdDelDir_Click()
{
    m_manager->deleteFolder();
}

void frmFa::cmdAddFolder_Click()
{
    const int node = m_manager->newFolder();
    if (QTreeWidgetItem* item = FavouritesTree::itemOf(m_treFa, node)) {
        m_treFa->setFocus();
        m_treFa->scrollToItem(item);
        m_treFa->editItem(item, 0);
    }
}

void frmFa::selectAllKey(bool listFocused)
{
    // The routine runs once for the window and once more for the list when the list has the focus.
    for (int run = 0; run < (listFocused ? 2 : 1); ++run) {
        const bool select = m_manager->toggleSelectAll();
        m_lstFa->setUpdatesEnabled(false);
        if (select)
            m_lstFa->selectAll();
        else
            m_lstFa->clearSelection();
        m_lstFa->setUpdatesEnabled(true);
    }
}

bool frmFa::handleKey(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrlA = key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier;
    const bool del = key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier;
    if (!ctrlA && !del)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the key comes as a key press, not as a shortcut
        return true;
    }
    if (del)
        cmdDel_Click();
    else
        selectAllKey(watched == m_lstFa);
    return true;
}

bool frmFa::handleDrag(QObject* watched, QEvent* event)
{
    const bool onTree = watched == m_treFa->viewport();
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (droppedPaths(drag->mimeData()).isEmpty()) {
            drag->ignore();
            return true;
        }
        if (onTree) {
            const int node = FavouritesTree::nodeOf(m_treFa, m_treFa->itemAt(drag->position().toPoint()));
            if (node >= 0 && node != m_manager->selectedNode())
                m_manager->dragOver(node);
        }
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = droppedPaths(drop->mimeData());
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        m_manager->dropFiles(paths);
        return true;
    }
    default:
        return false;
    }
}

bool frmFa::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_treFa->viewport() || watched == m_lstFa->viewport())
        return handleDrag(watched, event) || QDialog::eventFilter(watched, event);
    if (handleKey(watched, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace vello
