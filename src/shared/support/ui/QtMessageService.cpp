#include "QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>

namespace vello {

MessageAnswer QtMessageService::show(const Message& message)
{
    // Over the window that asks, which gets the focus back afterwards; without one, over the given
    // parent or the active window.
    QWidget* owner = qobject_cast<QWidget*>(message.owner);
    QPointer<QWidget> window = owner ? owner->window() : m_parent ? m_parent : QApplication::activeWindow();
    const QPointer<QWidget> focus = window ? window->focusWidget() : nullptr;
    const auto giveBack = qScopeGuard([&] {
        if (!owner || !window)
            return;
        window->raise();
        window->activateWindow();
        if (focus)
            focus->setFocus(Qt::OtherFocusReason);
    });
    QMessageBox box(window);
    box.setWindowTitle(message.caption);
    box.setText(message.text);
    if (!message.details.isEmpty())
        box.setInformativeText(message.details);
    switch (message.icon) {
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::None:
        break;
    }
    if (message.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(message.defaultAnswer == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

} // namespace vello
