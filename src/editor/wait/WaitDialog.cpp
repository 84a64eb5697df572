#include "WaitDialog.h"

#include "Logging.h"
#include "MessageService.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWindow>

namespace vello::editor {

WaitDialog::WaitDialog(const QString& message, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("Vellokit"));
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_message = new QLabel(text, this);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 0); // busy until the first percentage
    m_bar->setMinimumWidth(280);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(12);
    layout->addWidget(m_message);
    layout->addWidget(m_bar);
    setFixedSize(sizeHint());
}

QString WaitDialog::messageText() const
{
    return m_message->text();
}

int WaitDialog::percent() const
{
    return m_bar->maximum() == 0 ? -1 : m_bar->value();
}

void WaitDialog::takeInput(const QByteArray& bytes)
{
    m_pending += bytes;
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        takeLine(m_pending.left(end));
        m_pending.remove(0, end + 1);
    }
    if (m_pending.size() > 4096) // no progress line is that long
        m_pending.clear();
}

void WaitDialog::takeLine(const QByteArray& line)
{
    bool ok = false;
    const int value = line.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 100)
        return;
    if (m_bar->maximum() == 0)
        m_bar->setRange(0, 100);
    m_bar->setValue(value);
    qCDebug(lcWait) << "progress" << value;
}

void WaitDialog::inputEnded()
{
    qCDebug(lcWait) << "input ended";
    m_mayClose = true;
    close();
}

void WaitDialog::setOwnerWindow(quintptr owner)
{
    // A dialog transient for the tool window: the window manager keeps it above that window.
    if (owner == 0 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QWindow* foreign = QWindow::fromWinId(WId(owner));
    if (!foreign)
        return;
    foreign->setParent(nullptr);
    winId();
    windowHandle()->setTransientParent(foreign);
    qCDebug(lcWait) << "kept above window" << owner;
}

void WaitDialog::closeEvent(QCloseEvent* event)
{
    if (m_mayClose) {
        event->accept();
        return;
    }
    // The close button offers to stop the run; the editor ends the window when it has stopped.
    event->ignore();
    if (m_stopping)
        return;
    if (!MessageService::question(stopQuestionText(), true))
        return;
    if (m_mayClose) // the run ended while the question was open
        return;
    m_stopping = true;
    m_message->setText(stoppingText());
    emit stopRequested();
}

} // namespace vello::editor
