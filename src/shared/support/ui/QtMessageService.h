// The message service of the running programs: real message boxes.
#pragma once

#include "MessageService.h"

class QWidget;

namespace vello {

class QtMessageService : public MessageService
{
public:
    /// parentProvider: the window that owns the boxes (may be null).
    explicit QtMessageService(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    MessageAnswer show(const Message& message) override;

private:
    QWidget* m_parent;
};

} // namespace vello
