#include "frmMain.h"

#include "MenuArt.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace vello::editor {

frmMain::frmMain(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("動画ファイル編集メニュー"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(18, 14, 24, 18);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    auto* prompt = new QLabel(QStringLiteral("編集をモードを指定してください"), this);
    grid->addWidget(prompt, 0, 0, 1, 2);

    const auto addTool = [this, grid](int row, const char* name, MenuArt::Picture picture,
                                      const QString& caption) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(QIcon(MenuArt::picture(picture, 64)));
        button->setIconSize(QSize(40, 40));
        button->setFixedSize(52, 52);
        button->setToolTip(caption);
        auto* label = new QLabel(caption, this);
        label->setBuddy(button);
        grid->addWidget(button, row, 0);
        grid->addWidget(label, row, 1);
        return button;
    };
    m_cmdRa = addTool(1, "cmdRa", MenuArt::Picture::RaJoin, QStringLiteral("RMファイルの結合"));
    m_cmdMpg = addTool(2, "cmdMpg", MenuArt::Picture::MpgJoin, QStringLiteral("MPGファイルの編集"));
    m_cmdRaCut = addTool(3, "cmdRaCut", MenuArt::Picture::RaCut, QStringLiteral("RMファイルの切り抜き"));
    m_cmdCfg = addTool(4, "cmdCfg", MenuArt::Picture::Settings, QStringLiteral("環境設定"));
    grid->setColumnStretch(1, 1);

    connect(m_cmdRa, &QToolButton::clicked, this, [this] { emit toolRequested(ToolKind::RaJoin); });
    connect(m_cmdMpg, &QToolButton::clicked, this, [this] { emit toolRequested(ToolKind::MpgJoin); });
    connect(m_cmdRaCut, &QToolButton::clicked, this, [this] { emit toolRequested(ToolKind::RaCut); });
    connect(m_cmdCfg, &QToolButton::clicked, this, &frmMain::settingsRequested);
}

void frmMain::keyPressEvent(QKeyEvent* event)
{
    // Return and Enter press the focused button, as Space does.
    auto* button = qobject_cast<QToolButton*>(focusWidget());
    if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vello::editor
