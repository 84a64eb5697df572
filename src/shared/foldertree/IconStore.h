// A small store of icons keyed "ICON:<n>", each distinct icon kept once.
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <functional>

namespace vello {

/// Icons by key. The number n of a key belongs to the icon's identity (a theme name or a provider kind)
/// and stays the same for the whole process, also after clear(). Window thread only.
class IconStore
{
public:
    /// The key for the icon with this identity; make() runs only when the store lacks that key.
    QString keyFor(const QString& identity, const std::function<QIcon()>& make);
    bool contains(const QString& key) const { return m_icons.contains(key); }
    /// The icon stored under key; a null icon when there is none.
    QIcon icon(const QString& key) const { return m_icons.value(key); }
    int count() const { return static_cast<int>(m_icons.size()); }
    QStringList keys() const { return m_order; }
    /// Empties the store (the folder tree's Refresh).
    void clear();

private:
    QHash<QString, QIcon> m_icons;
    QStringList m_order;
};

} // namespace vello
