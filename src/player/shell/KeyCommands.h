// Maps the main window's keys to player commands; modifiers are not examined except for C.
#pragma once

#include <Qt>

namespace vello {

enum class KeyCommand
{
    None,
    Stop,             // F12: as releasing the stop button
    Play,             // keypad 5, P
    Previous,         // B, keypad 8
    Next,             // N, keypad 2
    RewindStart,      // keypad 4, Z (key down)
    FastForwardStart, // keypad 6, F (key down)
    Pause,            // keypad 0, Q
    Delete,           // Delete
    Refresh,          // F5
    Rename,           // F2 (the caller ignores it in favourites mode)
    MarkCaption,      // C without Ctrl: only set the mark item's caption
    MarkToggle,       // Ctrl+C (Ctrl the only modifier): set the caption, then toggle the mark
    LeaveFullScreen,  // Escape: clear the check mark of full screen
    RewindEnd,        // keypad 4, Z (key up)
    FastForwardEnd,   // keypad 6, F (key up)
    Help,             // F1: the help document
};

/// The command for a key press; a key of the numeric keypad carries Qt::KeypadModifier.
KeyCommand keyDownCommand(int key, Qt::KeyboardModifiers modifiers);
/// The command for a key release (only the two seek keys have one).
KeyCommand keyUpCommand(int key, Qt::KeyboardModifiers modifiers);

} // namespace vello
