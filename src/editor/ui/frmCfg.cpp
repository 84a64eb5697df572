#include "frmCfg.h"

#include "FolderPicker.h"
#include "Helpers.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vello::editor {

frmCfg::frmCfg(const EditorSettings& settings, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCfg"));
    setWindowTitle(QStringLiteral("環境設定"));
    m_chooser = [](QWidget* owner, const QString& title, const QString& start) {
        FolderPicker picker;
        picker.setOwner(owner);
        picker.setTitle(title);
        picker.setStartFolder(start);
        return picker.Show();
    };

    auto* folders = new QGridLayout;
    const QString folderLabels[3] = {QStringLiteral("RMファイルのパス"), QStringLiteral("MPGファイルのパス"),
                                     QStringLiteral("OUTPUTのパス")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtInput%1").arg(i));
        box->setMinimumWidth(320);
        auto* browse = new QPushButton(QStringLiteral("参照"), this);
        browse->setObjectName(QStringLiteral("cmdView%1").arg(i));
        auto* label = new QLabel(folderLabels[i], this);
        label->setBuddy(box);
        folders->addWidget(label, i, 0);
        folders->addWidget(box, i, 1);
        folders->addWidget(browse, i, 2);
        m_txtInput[size_t(i)] = box;
        m_cmdView[size_t(i)] = browse;
        connect(browse, &QPushButton::clicked, this, [this, i] { cmdView_Click(i); });
    }

    auto* frame = new QGroupBox(QStringLiteral("拡張子"), this);
    auto* masks = new QGridLayout(frame);
    const QString maskLabels[2] = {QStringLiteral("RMファイル編集モードの表示拡張子"),
                                   QStringLiteral("MPGファイル編集モードの表示拡張子")};
    for (int i = 0; i < 2; ++i) {
        auto* box = new QLineEdit(frame);
        box->setObjectName(QStringLiteral("txtExt%1").arg(i));
        auto* label = new QLabel(maskLabels[i], frame);
        label->setBuddy(box);
        masks->addWidget(label, i, 0);
        masks->addWidget(box, i, 1);
        m_txtExt[size_t(i)] = box;
    }

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCan = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCan->setObjectName(QStringLiteral("cmdCan"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCan);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folders);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    m_txtInput[0]->setText(settings.RaPath);
    m_txtInput[1]->setText(settings.MpgPath);
    m_txtInput[2]->setText(settings.OutPath);
    m_txtExt[0]->setText(settings.RaMask);
    m_txtExt[1]->setText(settings.MpgMask);

    connect(m_cmdOK, &QPushButton::clicked, this, [this] {
        emit accepted(values());
        close();
    });
    connect(m_cmdCan, &QPushButton::clicked, this, &QWidget::close);
}

EditorSettings frmCfg::values() const
{
    EditorSettings s;
    s.RaPath = m_txtInput[0]->text();
    s.MpgPath = m_txtInput[1]->text();
    s.OutPath = m_txtInput[2]->text();
    s.RaMask = m_txtExt[0]->text();
    s.MpgMask = m_txtExt[1]->text();
    return s;
}

void frmCfg::cmdView_Click(int index)
{
    const QString chosen = CutAtNul(m_chooser(this, chooserTitle(), m_txtInput[size_t(index)]->text()));
    if (!chosen.isEmpty())
        m_txtInput[size_t(index)]->setText(chosen);
}

} // namespace vello::editor
