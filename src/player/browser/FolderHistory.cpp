#include "FolderHistory.h"

#include "ProgramPaths.h"
#include "StoredPath.h"

#include <QSettings>

namespace vello {

namespace {

QString key(int index)
{
    return QStringLiteral("PATH%1").arg(index);
}

QSettings userStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                     QStringLiteral("Velloplayer"));
}

} // namespace

FolderHistory::FolderHistory(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < Size; ++i)
        m_entries.append(ProgramPaths::startFolder());
}

QString FolderHistory::entry(int index) const
{
    if (index < 1 || index > Size)
        return {};
    return m_entries.at(index - 1);
}

void FolderHistory::recordPlay(const QString& folder)
{
    const qsizetype found = m_entries.indexOf(folder); // exact, case-sensitive
    if (found == 0)
        return;
    if (found > 0)
        m_entries.removeAt(found);
    else
        m_entries.removeLast();
    m_entries.prepend(folder);
    emit entriesChanged(m_entries);
}

void FolderHistory::clear()
{
    const QString root = ProgramPaths::systemDriveRoot();
    QSettings store = userStore();
    store.beginGroup(QStringLiteral("CONFIG"));
    for (int i = 1; i <= Size; ++i) {
        m_entries[i - 1] = root;
        store.setValue(key(i), pathSettingValue(root));
    }
    store.endGroup();
    store.sync();
    emit entriesChanged(m_entries);
}

void FolderHistory::load()
{
    // Nothing stored yet: the history starts at the user's home folder.
    const QString start = ProgramPaths::startFolder();
    QSettings store = userStore();
    store.beginGroup(QStringLiteral("CONFIG"));
    for (int i = 1; i <= Size; ++i)
        m_entries[i - 1] = store.contains(key(i)) ? pathFromSettingValue(store.value(key(i))) : start;
    store.endGroup();
    emit entriesChanged(m_entries);
}

bool FolderHistory::save() const
{
    QSettings store = userStore();
    store.beginGroup(QStringLiteral("CONFIG"));
    for (int i = 1; i <= Size; ++i)
        store.setValue(key(i), pathSettingValue(m_entries.at(i - 1)));
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace vello
