// The message service of the running programs: real message boxes.
#pragma once

#include "MessageService.h"

class QWidget;

namespace vello {

/// Each box is modal over the window that asks (Message::owner), which is raised and gets its focus back
/// when the box is answered; a message without an owner is shown over the parent given here, else over the
/// active window.
class QtMessageService : public MessageService
{
public:
    /// parent: the window that owns boxes that name no owner (may be null).
    explicit QtMessageService(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    MessageAnswer show(const Message& message) override;

private:
    QWidget* m_parent;
};

} // namespace vello
