#include "frmPickup.h"

#include "PlayerSettings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vello {

frmPickup::frmPickup(PlayerSettings& settings, BasicRandom& random, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_tips(random)
{
    setObjectName(QStringLiteral("frmPickup"));
    setWindowTitle(QStringLiteral("便利な使い方"));
    setModal(true);

    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    m_image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_txtPickup = new QPlainTextEdit(this);
    m_txtPickup->setObjectName(QStringLiteral("txtPickup"));
    m_txtPickup->setReadOnly(true);
    m_txtPickup->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_txtPickup->setMinimumWidth(m_txtPickup->fontMetrics().averageCharWidth() * 48);
    m_txtPickup->setFixedHeight(m_txtPickup->fontMetrics().lineSpacing() * 4 + 16);

    m_chkPick = new QCheckBox(QStringLiteral("もういいや(&X)"), this);
    m_chkPick->setObjectName(QStringLiteral("chkPick"));
    m_cmdNext = new QPushButton(QStringLiteral("もっと教えて"), this);
    m_cmdNext->setObjectName(QStringLiteral("cmdNext"));
    m_cmdNext->setAutoDefault(false);
    m_cmdOk = new QPushButton(QStringLiteral("閉じる"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    connect(m_cmdNext, &QPushButton::clicked, this, &frmPickup::cmdNext_Click);
    connect(m_cmdOk, &QPushButton::clicked, this, &frmPickup::cmdOk_Click);

    auto* top = new QHBoxLayout;
    top->addWidget(m_image1);
    top->addWidget(m_txtPickup, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_chkPick);
    bottom->addStretch(1);
    bottom->addWidget(m_cmdNext);
    bottom->addWidget(m_cmdOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    m_txtPickup->setPlainText(m_tips.current());
    m_cmdOk->setFocus();
}

void frmPickup::cmdNext_Click()
{
    m_tips.next();
    m_txtPickup->setPlainText(m_tips.current());
}

void frmPickup::cmdOk_Click()
{
    PickupTips::savePickup(m_settings, m_chkPick->isChecked());
    accept();
}

void frmPickup::reject()
{
    cmdOk_Click();
}

} // namespace vello
