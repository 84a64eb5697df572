// The editor's start switch: the editor runs only when the player starts it with "/MERIDANKOS".
#pragma once

#include <QStringList>

namespace vello {

class StartSwitch
{
public:
    /// The switch the player passes.
    static QString required() { return QStringLiteral("/MERIDANKOS"); }
    /// The arguments after the program name, joined by single blanks and upper-cased, must equal the
    /// switch as a whole text: any letter case passes, extra text or no argument fails.
    static bool accepts(const QStringList& argumentsAfterProgram);
    /// The warning shown when the switch is refused.
    static QString refusalText() { return QStringLiteral("このプログラムは単体では起動できません。"); }
};

} // namespace vello
