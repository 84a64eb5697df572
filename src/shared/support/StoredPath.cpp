#include "StoredPath.h"

#include "Helpers.h"
#include "NativePath.h"

namespace vello {

QVariant pathSettingValue(const QString& path)
{
    if (hasRawBytes(path))
        return QVariant(toNativePath(path));
    return QVariant(path);
}

QString pathFromSettingValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return fromNativePath(value.toByteArray());
    return value.toString();
}

QString storedPathFromBytes(const QByteArray& bytes)
{
    const QString asBytes = fromNativePath(bytes);
    if (!hasRawBytes(asBytes) || pathExists(asBytes))
        return asBytes;
    const QString legacy = decodeLegacyText(bytes);
    if (pathExists(legacy))
        return legacy;
    return asBytes;
}

} // namespace vello
