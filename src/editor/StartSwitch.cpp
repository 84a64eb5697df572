#include "StartSwitch.h"

namespace vello {

bool StartSwitch::accepts(const QStringList& argumentsAfterProgram)
{
    return argumentsAfterProgram.join(u' ').toUpper() == required();
}

} // namespace vello
