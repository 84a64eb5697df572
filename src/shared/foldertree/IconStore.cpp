#include "IconStore.h"

namespace vello {

namespace {

/// Process-wide numbering of icon identities, like a system image list's indexes.
int identityNumber(const QString& identity)
{
    static QHash<QString, int> numbers;
    const auto it = numbers.constFind(identity);
    if (it != numbers.constEnd())
        return it.value();
    const int n = static_cast<int>(numbers.size());
    numbers.insert(identity, n);
    return n;
}

} // namespace

QString IconStore::keyFor(const QString& identity, const std::function<QIcon()>& make)
{
    const QString key = QStringLiteral("ICON:") + QString::number(identityNumber(identity));
    if (!m_icons.contains(key)) {
        m_icons.insert(key, make ? make() : QIcon());
        m_order.append(key);
    }
    return key;
}

void IconStore::clear()
{
    m_icons.clear();
    m_order.clear();
}

} // namespace vello
