#include "frmCfg.h"

#include "FolderPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vello {

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

/// Selects or clears an option button; clearing works also for the one checked button of its group.
void setOption(QRadioButton* button, bool selected)
{
    button->setAutoExclusive(false);
    button->setChecked(selected);
    button->setAutoExclusive(true);
}

QString pickFolder(const QString& startFolder, QWidget* owner, const QString& title)
{
    FolderPicker picker;
    picker.setStartFolder(startFolder);
    picker.setOwner(owner);
    picker.setTitle(title);
    return picker.Show();
}

} // namespace

frmCfg::frmCfg(SettingsEditor& editor, QWidget* parent)
    : QDialog(parent), m_editor(editor), m_chooseFolder(pickFolder)
{
    setObjectName(QStringLiteral("frmCfg"));
    setWindowTitle(QStringLiteral("環境設定"));
    setModal(true);

    m_tab1 = named(new QTabWidget(this), "tab1");
    m_fraTab[0] = createGeneralPage();
    m_fraTab[1] = createPlayPage();
    m_fraTab[2] = createFileListPage();
    m_tab1->addTab(m_fraTab[0], QStringLiteral("全般"));
    m_tab1->addTab(m_fraTab[1], QStringLiteral("動作"));
    m_tab1->addTab(m_fraTab[2], QStringLiteral("ファイルリスト"));
    for (int i = 0; i < 3; ++i)
        m_fraTab[i]->setObjectName(QStringLiteral("fraTab%1").arg(i));

    m_cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    m_cmdCan = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCan");
    m_cmdOK->setDefault(true);
    m_cmdOK->setAutoDefault(true);
    m_cmdCan->setAutoDefault(false);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmCfg::cmdOK_Click);
    connect(m_cmdCan, &QPushButton::clicked, this, &frmCfg::cmdCan_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCan);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tab1);
    layout->addLayout(buttons);

    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    setControls(m_editor.load());
    m_tab1->setCurrentIndex(0);
}

QWidget* frmCfg::createGeneralPage()
{
    auto* page = new QWidget;
    m_chkModal = named(new QCheckBox(QStringLiteral("常に最前に表示(&M)"), page), "chkModal");
    m_chkModal->setToolTip(QStringLiteral("常に手前に表示"));
    m_chkSize = named(new QCheckBox(QStringLiteral("画面サイズ縦横比固定(&F)"), page), "chkSize");

    auto* frame = new QGroupBox(QStringLiteral("初期フォルダ"), page);
    m_optFa = named(new QRadioButton(QStringLiteral("お気に入り(&A)"), frame), "optFa");
    m_optLastTime =
        named(new QRadioButton(QStringLiteral("最後に使用したフォルダ(&L)"), frame), "optLastTime");
    m_optLastTime->setToolTip(QStringLiteral("前回最後に使用していたディレクトリ"));
    m_optDir = named(new QRadioButton(QStringLiteral("フォルダ指定(&I)"), frame), "optDir");
    m_optDir->setToolTip(QStringLiteral("ディレクトリ指定"));
    m_txtDir = named(new QLineEdit(frame), "txtDir");
    m_cmdDir = named(new QPushButton(QStringLiteral("..."), frame), "cmdDir");
    m_cmdDir->setAutoDefault(false);
    m_cmdDir->setFixedWidth(m_cmdDir->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    connect(m_optDir, &QRadioButton::clicked, this, [this] { setFolderFieldEnabled(true); });
    connect(m_optFa, &QRadioButton::clicked, this, [this] { setFolderFieldEnabled(false); });
    connect(m_optLastTime, &QRadioButton::clicked, this, [this] { setFolderFieldEnabled(false); });
    connect(m_cmdDir, &QPushButton::clicked, this, &frmCfg::cmdDir_Click);

    auto* folderRow = new QHBoxLayout;
    folderRow->setContentsMargins(20, 0, 0, 0);
    folderRow->addWidget(m_txtDir, 1);
    folderRow->addWidget(m_cmdDir);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_optFa);
    frameLayout->addWidget(m_optLastTime);
    frameLayout->addWidget(m_optDir);
    frameLayout->addLayout(folderRow);

    m_chkPick = named(new QCheckBox(QStringLiteral("起動時にPickUpを表示しない(&P)"), page), "chkPick");

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_chkModal);
    layout->addWidget(m_chkSize);
    layout->addWidget(frame);
    layout->addWidget(m_chkPick);
    layout->addStretch(1);
    return page;
}

QWidget* frmCfg::createPlayPage()
{
    auto* page = new QWidget;
    auto* frame = new QGroupBox(QStringLiteral("再生方式"), page);
    const std::array<QString, 4> captions{
        QStringLiteral("ノーマル(&N)"), QStringLiteral("全ファイル繰り返し(&A)"),
        QStringLiteral("１ファイル繰り返し(&O)"), QStringLiteral("ランダム(&R)")};
    auto* frameLayout = new QVBoxLayout(frame);
    for (int i = 0; i < 4; ++i) {
        m_optPlayMode[i] = new QRadioButton(captions[i], frame);
        m_optPlayMode[i]->setObjectName(QStringLiteral("optPlayMode%1").arg(i));
        frameLayout->addWidget(m_optPlayMode[i]);
    }

    m_label2 = named(new QLabel(QStringLiteral("早送り、巻き戻しの間隔(&P)"), page), "Label2");
    m_cboTimer = named(new QComboBox(page), "cboTimer");
    m_cboTimer->setEditable(false);
    m_cboTimer->addItems(SettingsEditor::timerTexts());
    m_label2->setBuddy(m_cboTimer);

    auto* timerRow = new QHBoxLayout;
    timerRow->addWidget(m_label2);
    timerRow->addWidget(m_cboTimer);
    timerRow->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addLayout(timerRow);
    layout->addStretch(1);
    return page;
}

QWidget* frmCfg::createFileListPage()
{
    auto* page = new QWidget;
    m_label1 = named(new QLabel(QStringLiteral("表示するファイルの拡張子(&E)"), page), "Label1");
    m_txtExt = named(new QLineEdit(page), "txtExt");
    m_txtExt->setToolTip(QStringLiteral("ファイルリストに表示する拡張子を；で区切って指定します"));
    m_label1->setBuddy(m_txtExt);
    m_label3 = named(new QLabel(QStringLiteral("（Ex) rm;mpg;avi"), page), "Label3");
    m_chkSendRecycle = named(
        new QCheckBox(QStringLiteral("ファイル削除時、ゴミ箱へ送らず直接削除(&D)"), page), "chkSendRecycle");

    auto* frame = new QGroupBox(QStringLiteral("表示項目"), page);
    m_chkTitle = named(new QCheckBox(QStringLiteral("タイトル(&T)"), frame), "chkTitle");
    m_chkFileSize = named(new QCheckBox(QStringLiteral("ファイルサイズ(&S)"), frame), "chkFileSize");
    m_chkTime = named(new QCheckBox(QStringLiteral("更新日時(&N)"), frame), "chkTime");
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_chkTitle);
    frameLayout->addWidget(m_chkFileSize);
    frameLayout->addWidget(m_chkTime);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_label1);
    layout->addWidget(m_txtExt);
    layout->addWidget(m_label3);
    layout->addSpacing(6);
    layout->addWidget(m_chkSendRecycle);
    layout->addWidget(frame);
    layout->addStretch(1);
    return page;
}

CfgControls frmCfg::controls() const
{
    CfgControls c;
    c.chkModal = m_chkModal->isChecked();
    c.chkSize = m_chkSize->isChecked();
    if (m_optFa->isChecked())
        c.startFolder = StartFolder::Favourites;
    else if (m_optLastTime->isChecked())
        c.startFolder = StartFolder::LastTime;
    else if (m_optDir->isChecked())
        c.startFolder = StartFolder::Fixed;
    c.txtDir = m_txtDir->text();
    c.chkPick = m_chkPick->isChecked();
    for (int i = 0; i < 4 && c.playMode < 0; ++i) {
        if (m_optPlayMode[i]->isChecked())
            c.playMode = i;
    }
    c.cboTimer = m_cboTimer->currentIndex();
    c.txtExt = m_txtExt->text();
    c.chkSendRecycle = m_chkSendRecycle->isChecked();
    c.chkTitle = m_chkTitle->isChecked();
    c.chkFileSize = m_chkFileSize->isChecked();
    c.chkTime = m_chkTime->isChecked();
    return c;
}

void frmCfg::setControls(const CfgControls& c)
{
    m_chkModal->setChecked(c.chkModal);
    m_chkSize->setChecked(c.chkSize);
    m_txtExt->setText(c.txtExt);
    m_chkFileSize->setChecked(c.chkFileSize);
    m_chkTitle->setChecked(c.chkTitle);
    m_chkTime->setChecked(c.chkTime);
    m_chkSendRecycle->setChecked(c.chkSendRecycle);
    m_cboTimer->setCurrentIndex(c.cboTimer >= 0 && c.cboTimer < m_cboTimer->count() ? c.cboTimer : -1);
    m_chkPick->setChecked(c.chkPick);
    setOption(m_optFa, c.startFolder == StartFolder::Favourites);
    setOption(m_optLastTime, c.startFolder == StartFolder::LastTime);
    setOption(m_optDir, c.startFolder == StartFolder::Fixed);
    m_txtDir->setText(c.txtDir);
    setFolderFieldEnabled(c.startFolder == StartFolder::Fixed);
    for (int i = 0; i < 4; ++i)
        setOption(m_optPlayMode[i], c.playMode == i);
}

void frmCfg::setFolderFieldEnabled(bool enabled)
{
    m_txtDir->setEnabled(enabled);
    m_cmdDir->setEnabled(enabled);
}

void frmCfg::cmdDir_Click()
{
    const QString chosen =
        m_chooseFolder ? m_chooseFolder(m_txtDir->text(), this, QStringLiteral("Default Dir")) : QString();
    m_txtDir->setText(SettingsEditor::folderChosen(m_txtDir->text(), chosen));
}

void frmCfg::cmdOK_Click()
{
    if (!m_editor.save(controls()))
        return; // the error was reported; the window stays open
    accept();
    m_editor.apply();
}

void frmCfg::cmdCan_Click()
{
    reject();
}

} // namespace vello
