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

VolumeMemory::Stored VolumeMemory::recall(const QString& mediaFile) const
{
    Stored stored;
    if (!enabled() || mediaFile.isEmpty())
        return stored;
    const IniFile ini(m_path, IniFile::KeyKind::Path);
    const QString text = CutAtNul(ini.ReadValue(Section, mediaFile, MaxValueLength));
    if (text.isEmpty())
        return stored;
    stored.present = true;
    const auto value = numericWhole(text);
    if (value && *value >= 0 && *value <= 100)
        stored.value = value;
    return stored;
}

int VolumeMemory::movePath(const QString& oldPath, const QString& newPath) const
{
    if (!enabled())
        return 0;
    IniFile ini(m_path, IniFile::KeyKind::Path);
    return ini.MovePathKeys(Section, oldPath, newPath);
}

} // namespace vello
