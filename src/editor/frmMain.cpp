#include "frmMain.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace vello::editor {

frmMain::frmMain(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("動画ファイル編集メニュー"));

    auto* grid = new QGridLayout(this);
    auto* prompt = new QLabel(QStringLiteral("編集をモードを指定してください"), this);
    grid->addWidget(prompt, 0, 0, 1, 2);

    const auto addTool = [this, grid](int row, const char* name, const QString& caption) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(40, 40);
        grid->addWidget(button, row, 0);
        grid->addWidget(new QLabel(caption, this), row, 1);
        return button;
    };
    m_cmdRa = addTool(1, "cmdRa", QStringLiteral("RMファイルの結合"));
    m_cmdMpg = addTool(2, "cmdMpg", QStringLiteral("MPGファイルの編集"));
    m_cmdRaCut = addTool(3, "cmdRaCut", QStringLiteral("RMファイルの切り抜き"));
    m_cmdCfg = addTool(4, "cmdCfg", QStringLiteral("環境設定"));
}

} // namespace vello::editor
