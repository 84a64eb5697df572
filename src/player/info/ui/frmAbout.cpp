#include "frmAbout.h"

#include "AboutInfo.h"
#include "Logging.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace vello {

namespace {

constexpr int IconSize = 32;

} // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(false);

    m_picIcon = new QLabel(this);
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    QIcon icon = owner ? owner->windowIcon() : QIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_MediaPlay);
    m_picIcon->setPixmap(icon.pixmap(IconSize, IconSize));
    m_picIcon->setFixedSize(IconSize + 8, IconSize + 8);
    m_picIcon->setAlignment(Qt::AlignCenter);
    setWindowIcon(icon);

    m_lblTitle = new QLabel(this);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblVersion = new QLabel(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));

    m_lblDescription = new QPlainTextEdit(this);
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblDescription->setReadOnly(true);
    m_lblDescription->setFrameShape(QFrame::NoFrame);
    m_lblDescription->viewport()->setAutoFillBackground(false);
    m_lblDescription->setFixedHeight(m_lblDescription->fontMetrics().lineSpacing() * 5 + 8);

    m_label2 = new QLabel(QStringLiteral("最新版はここ→"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_lblURL = new QLabel(this);
    m_lblURL->setObjectName(QStringLiteral("lblURL"));
    m_lblURL->setTextFormat(Qt::RichText);
    m_lblURL->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_lblURL->setOpenExternalLinks(false);
    m_lblURL->setCursor(Qt::PointingHandCursor);
    connect(m_lblURL, &QLabel::linkActivated, this, [this] { lblURL_Click(); });

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_lblDisclaimer = new QLabel(this);
    m_lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));

    m_command1 = new QPushButton(QStringLiteral("OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    connect(m_command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);

    auto* head = new QGridLayout;
    head->addWidget(m_picIcon, 0, 0, 2, 1, Qt::AlignTop);
    head->addWidget(m_lblTitle, 0, 1);
    head->addWidget(m_lblVersion, 1, 1);
    head->setColumnStretch(1, 1);
    auto* link = new QHBoxLayout;
    link->addWidget(m_label2);
    link->addWidget(m_lblURL);
    link->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblDisclaimer, 1);
    bottom->addWidget(m_command1, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(m_lblDescription);
    layout->addLayout(link);
    layout->addWidget(line);
    layout->addLayout(bottom);

    // Load.
    setWindowTitle(AboutInfo::caption());
    m_lblVersion->setText(AboutInfo::versionText());
    m_lblTitle->setText(AboutInfo::title());
    m_lblDescription->setPlainText(AboutInfo::description());
    m_lblDisclaimer->setText(AboutInfo::disclaimer());
    m_lblURL->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(AboutInfo::url().toHtmlEscaped()));
    adjustSize();
    centreOnScreen();
}

frmAbout* frmAbout::showFor(QWidget* owner)
{
    frmAbout* about = owner ? owner->findChild<frmAbout*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!about)
        about = new frmAbout(owner);
    about->show();
    about->raise();
    about->activateWindow();
    return about;
}

void frmAbout::centreOnScreen()
{
    const QWidget* owner = parentWidget();
    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
}

void frmAbout::Command1_Click()
{
    hide();
}

void frmAbout::lblURL_Click()
{
    // The desktop's URL handler opens the page; nothing is reported when it cannot.
    if (!QDesktopServices::openUrl(QUrl(AboutInfo::url())))
        qCInfo(lcError) << "the web page could not be opened:" << AboutInfo::url();
}

} // namespace vello
