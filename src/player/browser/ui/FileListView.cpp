#include "FileListView.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <utility>

namespace vello {

namespace {

/// Length of a file name without its extension (the whole name when it has none, or when its only dot
/// begins it, as in ".hidden").
int nameLengthWithoutExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return static_cast<int>(dot > 0 ? dot : name.size());
}

} // namespace

/// Opens the in-place editor on the name column only and hands the edited text to the logic instead of
/// writing it into the control: the control shows the new name only when the rename succeeded.
class FileListView::NameEditDelegate : public QStyledItemDelegate
{
public:
    NameEditDelegate(FileBrowser* browser, QObject* parent) : QStyledItemDelegate(parent), m_browser(browser)
    {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        if (index.column() != 0)
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && !m_reopenText.isNull()) {
            line->setText(std::exchange(m_reopenText, QString()));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    /// The text the next editor opens with instead of the item's name (going back to a typed name).
    void reopenWith(const QString& text) { m_reopenText = text; }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        // The view selects the whole text before it shows the editor; the name is selected without its
        // extension, as file managers do, so typing keeps ".rm".
        if (event->type() == QEvent::Show) {
            if (auto* line = qobject_cast<QLineEdit*>(object))
                line->setSelection(0, nameLengthWithoutExtension(line->text()));
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || index.column() != 0)
            return;
        // The editor goes before any message about the name, so the row shows its old name meanwhile.
        const QString text = line->text();
        line->hide();
        m_browser->renameItem(index.row() + 1, text);
    }

private:
    FileBrowser* m_browser;
    mutable QString m_reopenText;
};

FileListView::FileListView(QTreeWidget* FILE1, FileBrowser* browser, QObject* parent)
    : QObject(parent), m_view(FILE1), m_browser(browser)
{
    m_view->setColumnCount(4);
    m_view->setHeaderLabels(FileBrowser::columnCaptions());
    m_view->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setSortingEnabled(false); // the list keeps its own order
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setAllColumnsShowFocus(true);
    m_view->setContextMenuPolicy(Qt::PreventContextMenu);
    m_view->header()->setSectionsClickable(true);
    m_view->header()->setSortIndicatorShown(false);
    m_view->header()->setStretchLastSection(false);
    m_delegate = new NameEditDelegate(m_browser, this);
    m_view->setItemDelegate(m_delegate);
    m_view->viewport()->installEventFilter(this);
    setLabelEditAutomatic(true);
    buildMenu();

    const FileList& list = m_browser->list();
    connect(&list, &FileList::reset, this, &FileListView::render);
    connect(&list, &FileList::itemInserted, this, &FileListView::insertRow);
    connect(&list, &FileList::itemChanged, this, &FileListView::renderItem);
    connect(&list, &FileList::selectionChanged, this, &FileListView::showSelection);
    connect(m_view, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (m_syncing)
            return;
        m_syncing = true;
        m_browser->list().select(current ? m_view->indexOfTopLevelItem(current) + 1 : 0);
        m_syncing = false;
    });
    // Going back from a name whose extension is not listed: the editor opens again on the typed name.
    connect(m_browser, &FileBrowser::renameDeclined, this, [this](int index, const QString& typed) {
        QTimer::singleShot(0, this, [this, index, typed] {
            if (QTreeWidgetItem* row = rowItem(index); row && m_view) {
                m_delegate->reopenWith(typed);
                m_view->editItem(row, 0);
                m_delegate->reopenWith(QString());
            }
        });
    });
    connect(m_view, &QTreeWidget::itemDoubleClicked, this, [this] { emit playRequested(); });
    connect(m_view->header(), &QHeaderView::sectionClicked, this,
            [this](int logical) { m_browser->columnClick(logical + 1); });
    render();
}

FileListView::~FileListView()
{
    if (m_view) {
        m_view->viewport()->removeEventFilter(this);
        m_view->setItemDelegate(new QStyledItemDelegate(m_view)); // ours goes with this object
    }
    delete m_menu; // null when the control (its parent) went first
}

void FileListView::buildMenu()
{
    m_menu = new QMenu(m_view);
    auto add = [this](const char* name, const QString& caption) {
        QAction* action = m_menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_popChange = add("popChange", FileBrowser::markNotPlayableCaption());
    m_popCopy = add("popCopy", QStringLiteral("コピー(&C)"));
    m_popMove = add("popMove", QStringLiteral("移動(&M)"));
    m_popDel = add("popDel", QStringLiteral("削除(&D)                      Del"));
    m_popReName = add("popReName", QStringLiteral("名前の変更(&R)              F2"));
    m_separator = m_menu->addSeparator();
    m_popFaAdd = add("popFaAdd", QStringLiteral("お気に入りに追加(&F)"));
    m_popFaDel = add("popFaDel", QStringLiteral("お気に入りから削除(&C)"));
    m_popCopy->setVisible(false);
    m_popMove->setVisible(false);
    connect(m_popChange, &QAction::triggered, this, &FileListView::popChange_Click);
    connect(m_popDel, &QAction::triggered, this, &FileListView::popDel_Click);
    connect(m_popReName, &QAction::triggered, this, &FileListView::popReName_Click);
    connect(m_popFaAdd, &QAction::triggered, this, &FileListView::addToFavouritesRequested);
    connect(m_popFaDel, &QAction::triggered, this, &FileListView::removeFromFavouritesRequested);
}

void FileListView::setLabelEditAutomatic(bool automatic)
{
    m_labelEditAutomatic = automatic;
    m_view->setEditTriggers(automatic ? QAbstractItemView::SelectedClicked
                                      : QAbstractItemView::NoEditTriggers);
}

int FileListView::pixelsFromTwips(int twips) const
{
    return static_cast<int>(std::lround(twips * m_view->logicalDpiX() / 1440.0));
}

void FileListView::setColumnWidthTwips(int column, int twips)
{
    if (column < 0 || column > 3)
        return;
    const bool hidden = twips <= 0;
    m_view->setColumnHidden(column, hidden);
    if (!hidden)
        m_view->setColumnWidth(column, pixelsFromTwips(twips));
}

int FileListView::columnWidthTwips(int column) const
{
    if (column < 0 || column > 3 || m_view->isColumnHidden(column))
        return 0;
    return static_cast<int>(std::lround(m_view->columnWidth(column) * 1440.0 / m_view->logicalDpiX()));
}

void FileListView::applyColumnSettings(const BrowserSettings& settings)
{
    setColumnWidthTwips(0, FileBrowser::designColumnWidthTwips(0));
    setColumnWidthTwips(1, settings.fileTitle ? FileBrowser::designColumnWidthTwips(1) : 0);
    setColumnWidthTwips(2, settings.fileDateTime ? FileBrowser::designColumnWidthTwips(2) : 0);
    setColumnWidthTwips(3, settings.fileSize ? FileBrowser::designColumnWidthTwips(3) : 0);
}

void FileListView::fillRow(QTreeWidgetItem* row, const FileListItem& item, int index) const
{
    row->setText(0, item.shownName());
    // A favourite's full path may be wider than its column: the tooltip shows it whole.
    row->setToolTip(0, m_browser->favouritesMode() ? item.shownName() : QString());
    row->setText(1, item.title);
    row->setText(2, item.dateText);
    row->setText(3, item.sizeText);
    row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren);
    const QColor grey = m_view->palette().color(QPalette::Disabled, QPalette::Text);
    for (int column = 0; column < 4; ++column) {
        if (m_browser->list().isGreyed(index, column))
            row->setForeground(column, grey);
        else
            row->setData(column, Qt::ForegroundRole, QVariant());
    }
}

void FileListView::render()
{
    m_syncing = true;
    m_view->clear();
    const FileList& list = m_browser->list();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(list.count());
    for (int i = 1; i <= list.count(); ++i) {
        auto* row = new QTreeWidgetItem;
        fillRow(row, list.item(i), i);
        rows.append(row);
    }
    m_view->addTopLevelItems(rows);
    m_syncing = false;
    showSelection(list.selectedIndex());
}

void FileListView::insertRow(int index)
{
    auto* row = new QTreeWidgetItem;
    fillRow(row, m_browser->list().item(index), index);
    m_syncing = true;
    m_view->insertTopLevelItem(index - 1, row);
    m_syncing = false;
}

void FileListView::renderItem(int index)
{
    if (QTreeWidgetItem* row = rowItem(index))
        fillRow(row, m_browser->list().item(index), index);
}

void FileListView::showSelection(int index)
{
    if (m_syncing)
        return;
    m_syncing = true;
    if (QTreeWidgetItem* row = rowItem(index)) {
        m_view->setCurrentItem(row);
        m_view->scrollToItem(row);
    } else {
        m_view->setCurrentItem(nullptr);
        m_view->clearSelection();
    }
    m_syncing = false;
}

QTreeWidgetItem* FileListView::rowItem(int index) const
{
    if (index < 1 || index > m_view->topLevelItemCount())
        return nullptr;
    return m_view->topLevelItem(index - 1);
}

bool FileListView::prepareContextMenu(const QPoint& viewportPos)
{
    const bool favourites = m_browser->favouritesMode();
    m_popFaAdd->setVisible(!favourites);
    m_popFaDel->setVisible(favourites);
    m_popReName->setVisible(!favourites);
    m_popDel->setVisible(!favourites);
    m_separator->setVisible(!favourites);
    m_popCopy->setVisible(false);
    m_popMove->setVisible(false);
    m_popChange->setVisible(true);

    QTreeWidgetItem* row = m_view->itemAt(viewportPos);
    if (!row)
        return false;
    m_browser->list().select(m_view->indexOfTopLevelItem(row) + 1);
    updateMarkCaption();
    return true;
}

void FileListView::updateMarkCaption()
{
    const FileList& list = m_browser->list();
    if (list.selectedIndex() == 0)
        return;
    m_popChange->setText(FileBrowser::markCaptionFor(list.isPlayable(list.selectedIndex())));
}

void FileListView::handleCKey(Qt::KeyboardModifiers modifiers)
{
    updateMarkCaption();
    const auto held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == Qt::ControlModifier)
        popChange_Click();
}

void FileListView::popChange_Click()
{
    FileList& list = m_browser->list();
    const int index = list.selectedIndex();
    if (index == 0)
        return;
    list.setPlayable(index, m_popChange->text() != FileBrowser::markNotPlayableCaption());
}

void FileListView::popDel_Click()
{
    m_browser->DeleteSelectedFile(m_playingFile ? m_playingFile() : QString());
}

void FileListView::popReName_Click()
{
    if (!m_browser->mayRename(m_playingFile ? m_playingFile() : QString()))
        return;
    if (QTreeWidgetItem* row = rowItem(m_browser->list().selectedIndex()))
        m_view->editItem(row, 0);
}

bool FileListView::eventFilter(QObject* watched, QEvent* event)
{
    // The event type first: while the list is being destroyed its viewport still receives events, and
    // m_view must not be touched then.
    if (event->type() == QEvent::MouseButtonPress && m_view && watched == m_view->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const QPoint pos = mouse->position().toPoint();
            if (prepareContextMenu(pos))
                m_menu->popup(m_view->viewport()->mapToGlobal(pos));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vello
