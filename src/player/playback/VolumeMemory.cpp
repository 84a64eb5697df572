#include "VolumeMemory.h"

#include "Helpers.h"
#include "IniFile.h"

#include <QtGlobal>

namespace vello {

namespace {
const QString Section = QStringLiteral("VOLUME");
}

bool VolumeMemory::remember(const QString& mediaFile, int sliderValue) const
{
    if (!enabled() || mediaFile.isEmpty())
        return false;
    IniFile ini(m_path, IniFile::KeyKind::Path);
    return ini.WriteValue(Section, mediaFile, QString::number(sliderValue));
}

std::optional<int> VolumeMemory::recall(const QString& mediaFile) const
{
    if (!enabled() || mediaFile.isEmpty())
        return std::nullopt;
    const IniFile ini(m_path, IniFile::KeyKind::Path);
    const QString text = CutAtNul(ini.ReadValue(Section, mediaFile, MaxValueLength));
    if (text.isEmpty() || !isWholeNumber(text))
        return std::nullopt;
    return qBound(0, text.trimmed().toInt(), 100);
}

} // namespace vello
