#include "KeyCommands.h"

namespace vello {

namespace {

bool fromKeypad(Qt::KeyboardModifiers modifiers)
{
    return modifiers.testFlag(Qt::KeypadModifier);
}

} // namespace

KeyCommand keyDownCommand(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = fromKeypad(modifiers);
    if (keypad) {
        switch (key) {
        case Qt::Key_5:
            return KeyCommand::Play;
        case Qt::Key_8:
            return KeyCommand::Previous;
        case Qt::Key_2:
            return KeyCommand::Next;
        case Qt::Key_4:
            return KeyCommand::RewindStart;
        case Qt::Key_6:
            return KeyCommand::FastForwardStart;
        case Qt::Key_0:
            return KeyCommand::Pause;
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_F1:
        return KeyCommand::Help;
    case Qt::Key_F12:
        return KeyCommand::Stop;
    case Qt::Key_P:
        return KeyCommand::Play;
    case Qt::Key_B:
        return KeyCommand::Previous;
    case Qt::Key_N:
        return KeyCommand::Next;
    case Qt::Key_Z:
        return KeyCommand::RewindStart;
    case Qt::Key_F:
        return KeyCommand::FastForwardStart;
    case Qt::Key_Q:
        return KeyCommand::Pause;
    case Qt::Key_Delete:
        return KeyCommand::Delete;
    case Qt::Key_F5:
        return KeyCommand::Refresh;
    case Qt::Key_F2:
        return KeyCommand::Rename;
    case Qt::Key_Escape:
        return KeyCommand::LeaveFullScreen;
    case Qt::Key_C: {
        const Qt::KeyboardModifiers held =
            modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        return held == Qt::ControlModifier ? KeyCommand::MarkToggle : KeyCommand::MarkCaption;
    }
    default:
        return KeyCommand::None;
    }
}

KeyCommand keyUpCommand(int key, Qt::KeyboardModifiers modifiers)
{
    if (fromKeypad(modifiers)) {
        if (key == Qt::Key_4)
            return KeyCommand::RewindEnd;
        if (key == Qt::Key_6)
            return KeyCommand::FastForwardEnd;
    }
    if (key == Qt::Key_Z)
        return KeyCommand::RewindEnd;
    if (key == Qt::Key_F)
        return KeyCommand::FastForwardEnd;
    return KeyCommand::None;
}

} // namespace vello
