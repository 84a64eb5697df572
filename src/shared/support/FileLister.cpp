#include "FileLister.h"

#include "Logging.h"
#include "NativePath.h"
#include "NaturalOrder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

namespace vello {

bool FileLister::matches(const QString& fileName, const QStringList& extensions)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString ext = dot < 0 ? QString() : fileName.mid(dot + 1);
    for (const QString& e : extensions) {
        if (dot < 0 ? e.isEmpty() : ext.compare(e, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void FileLister::setFolder(const QString& folder)
{
    m_folder = folder;
    m_entries.clear();
    QString base = folder;
    if (base.isEmpty())
        return;
    if (!base.endsWith(u'/'))
        base += u'/';
    const QByteArray nativeBase = toNativePath(base);
    DIR* dir = ::opendir(nativeBase.constData());
    if (!dir) {
        // The list stays empty; the folder tree reports unreadable folders to the user.
        qCInfo(lcError) << "folder cannot be listed:" << folder << std::strerror(errno);
        return;
    }
    while (const dirent* de = ::readdir(dir)) {
        const QByteArray rawName(de->d_name);
        if (rawName == "." || rawName == "..")
            continue;
        const QString name = fromNativePath(rawName);
        if (!matches(name, m_extensions))
            continue;
        struct stat st
        {
        };
        const QByteArray full = nativeBase + rawName;
        if (::stat(full.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        Entry e;
        e.shown = displayName(name);
        e.name = name;
        e.path = base + name;
        e.modified = static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        e.bytes = static_cast<qint64>(st.st_size);
        m_entries.push_back(std::move(e));
    }
    ::closedir(dir);
    // By the shown names; two names shown alike (undecodable bytes) keep an order by their bytes.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        const int c = naturalCompare(a.shown, b.shown);
        return c != 0 ? c < 0 : a.name < b.name;
    });
}

const FileLister::Entry* FileLister::entry(int index) const
{
    if (index < 1 || index > count())
        return nullptr;
    return &m_entries[static_cast<size_t>(index - 1)];
}

QString FileLister::name(int index) const
{
    const Entry* e = entry(index);
    return e ? e->name : QString();
}

QString FileLister::shownName(int index) const
{
    const Entry* e = entry(index);
    return e ? e->shown : QString();
}

QString FileLister::fullPath(int index) const
{
    const Entry* e = entry(index);
    return e ? e->path : QString();
}

QString FileLister::date(int index) const
{
    const Entry* e = entry(index);
    if (!e)
        return {};
    // localtime_r + snprintf: an order of magnitude cheaper than QDateTime's local-time formatting, which
    // matters when a folder of thousands of files is listed.
    const time_t seconds = static_cast<time_t>(e->modified / 1000);
    struct tm local
    {
    };
    if (!::localtime_r(&seconds, &local))
        return {};
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return QString::fromLatin1(text);
}

QString FileLister::size(int index) const
{
    const Entry* e = entry(index);
    return e ? QString::number(e->bytes) : QString();
}

} // namespace vello
