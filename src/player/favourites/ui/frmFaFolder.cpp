#include "frmFaFolder.h"

#include "FaList.h"
#include "FavouriteFolders.h"
#include "MessageService.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vello {

frmFaFolder::frmFaFolder(const FaList& list, QWidget* parent)
    : QDialog(parent), m_items(FavouriteFolders::chooserItems(list))
{
    setObjectName(QStringLiteral("frmFaFolder"));
    setWindowTitle(QStringLiteral("お気に入りフォルダ選択"));
    setModal(true);

    m_cboFolder = new QComboBox(this);
    m_cboFolder->setObjectName(QStringLiteral("cboFolder"));
    m_cboFolder->setEditable(true);
    m_cboFolder->setInsertPolicy(QComboBox::NoInsert);
    // No completion: a typed name is never turned into a longer existing one ("Live" into "Live2024").
    m_cboFolder->setCompleter(nullptr);
    m_cboFolder->addItems(m_items);
    m_cboFolder->setCurrentIndex(-1);
    m_cboFolder->setEditText(QString());
    m_cboFolder->setMinimumWidth(260);

    m_label1 = new QLabel(QStringLiteral("※ 一覧にない場合は入力します"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));

    m_cmdOk = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    m_cmdCan = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCan->setObjectName(QStringLiteral("cmdCan"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOk);
    buttons->addWidget(m_cmdCan);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_cboFolder, 0, 0);
    layout->addWidget(m_label1, 1, 0);
    layout->addLayout(buttons, 2, 0);

    connect(m_cmdOk, &QPushButton::clicked, this, &frmFaFolder::cmdOk_Click);
    connect(m_cmdCan, &QPushButton::clicked, this, &QDialog::reject);
    m_cboFolder->setFocus();
}

void frmFaFolder::cmdOk_Click()
{
    const QString typed = m_cboFolder->currentText();
    if (const QString refusal = FavouriteFolders::chooserNameRefusal(typed); !refusal.isEmpty()) {
        MessageService::warning(refusal);
        m_cboFolder->setFocus();
        if (QLineEdit* edit = m_cboFolder->lineEdit())
            edit->selectAll();
        return;
    }
    m_selected = FavouriteFolders::chosenFolder(typed, m_items);
    accept();
}

QString frmFaFolder::choose(const FaList& list, QWidget* parent)
{
    frmFaFolder window(list, parent);
    window.exec();
    return window.result() == QDialog::Accepted ? window.SelectedFaFolder() : QString();
}

} // namespace vello
