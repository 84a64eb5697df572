#include "WindowStateStore.h"

#include "StoredPath.h"

#include <QSettings>

#include <cmath>

namespace vello {

namespace {
const QString Group = QStringLiteral("CONFIG");

} // namespace

std::optional<QString> WindowStateStore::value(const QString& key) const
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                QStringLiteral("Velloplayer"));
    s.beginGroup(Group);
    if (!s.contains(key))
        return std::nullopt;
    const QVariant v = s.value(key);
    if (v.canConvert<QString>())
        return pathFromSettingValue(v);
    // A list or other structured value written by hand is not a number or a path.
    return QStringLiteral("?");
}

void WindowStateStore::setValue(const QString& key, const QString& text)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                QStringLiteral("Velloplayer"));
    s.beginGroup(Group);
    s.setValue(key, pathSettingValue(text));
}

void WindowStateStore::setNumber(const QString& key, double number)
{
    setValue(key, QString::number(number, 'g', 9));
}

void WindowStateStore::remove(const QString& key)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                QStringLiteral("Velloplayer"));
    s.beginGroup(Group);
    s.remove(key);
}

bool WindowStateStore::isNumber(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v);
}

void WindowStateStore::sync()
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                QStringLiteral("Velloplayer"));
    s.sync();
}

} // namespace vello
