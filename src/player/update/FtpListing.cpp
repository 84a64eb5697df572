#include "FtpListing.h"

#include "NativePath.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace vello {

namespace {

int monthNumber(QByteArrayView month)
{
    static const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    const QByteArray lower = month.toByteArray().toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == names[i])
            return i + 1;
    }
    return 0;
}

QDateTime makeDate(int year, int month, int day, int hour, int minute)
{
    const QDate date(year, month, day);
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

std::optional<FtpListEntry> parseUnix(const QByteArray& line, const QDate& today)
{
    // type+permissions, links, owner, [group], size, month, day, time or year, one blank, name
    static const QRegularExpression unixLine(
        QStringLiteral("^([-dlbcpsDw])[-rwxsStTlL]{9}[+@.]?[ \\t]+\\d+[ \\t]+\\S+[ \\t]+(?:\\S+[ "
                       "\\t]+)?(\\d+)[ \\t]+([A-Za-z]{3})[ \\t]+"
                       "(\\d{1,2})[ \\t]+(\\d{1,2}):(\\d{2}) (.*)\\z|"
                       "^([-dlbcpsDw])[-rwxsStTlL]{9}[+@.]?[ \\t]+\\d+[ \\t]+\\S+[ \\t]+(?:\\S+[ "
                       "\\t]+)?(\\d+)[ \\t]+([A-Za-z]{3})[ \\t]+"
                       "(\\d{1,2})[ \\t]+(\\d{4}) (.*)\\z"),
        QRegularExpression::DotMatchesEverythingOption);
    // Latin-1 keeps every byte as one character, so the name's bytes come back unchanged.
    const QRegularExpressionMatch m = unixLine.match(QString::fromLatin1(line));
    if (!m.hasMatch())
        return std::nullopt;
    const bool withTime = !m.captured(1).isEmpty();
    const int base = withTime ? 1 : 8;
    const QChar type = m.captured(base).at(0);
    bool ok = false;
    FtpListEntry entry;
    entry.size = m.captured(base + 1).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    const int month = monthNumber(m.captured(base + 2).toLatin1());
    const int day = m.captured(base + 3).toInt();
    QByteArray name = m.captured(withTime ? 7 : 13).toLatin1();
    if (withTime) {
        const int hour = m.captured(5).toInt();
        const int minute = m.captured(6).toInt();
        entry.date = makeDate(today.year(), month, day, hour, minute);
        if (entry.date.isValid() && entry.date.date() > today.addDays(1))
            entry.date = makeDate(today.year() - 1, month, day, hour, minute);
    } else {
        entry.date = makeDate(m.captured(12).toInt(), month, day, 0, 0);
    }
    if (type == u'l') {
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow > 0)
            name.truncate(arrow);
    }
    entry.directory = type == u'd' || type == u'D';
    entry.name = fromNativePath(name);
    return entry;
}

std::optional<FtpListEntry> parseDos(const QByteArray& line)
{
    static const QRegularExpression dosLine(
        QStringLiteral("^(\\d{2})-(\\d{2})-(\\d{2}|\\d{4})[ \\t]+(\\d{1,2}):(\\d{2})[ \\t]*([AaPp][Mm])?[ "
                       "\\t]+(<DIR>|\\d+)[ \\t]+(.*)\\z"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = dosLine.match(QString::fromLatin1(line));
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString half = m.captured(6).toUpper();
    if (half == u"PM" && hour < 12)
        hour += 12;
    else if (half == u"AM" && hour == 12)
        hour = 0;
    FtpListEntry entry;
    entry.date = makeDate(year, m.captured(1).toInt(), m.captured(2).toInt(), hour, m.captured(5).toInt());
    if (m.captured(7) == u"<DIR>") {
        entry.directory = true;
    } else {
        bool ok = false;
        entry.size = m.captured(7).toULongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    entry.name = fromNativePath(m.captured(8).toLatin1());
    return entry;
}

} // namespace

std::optional<FtpListEntry> parseListLine(const QByteArray& line, const QDate& today)
{
    std::optional<FtpListEntry> entry = parseUnix(line, today);
    if (!entry)
        entry = parseDos(line);
    if (!entry || entry->name.isEmpty() || entry->name == u"." || entry->name == u"..")
        return std::nullopt;
    return entry;
}

QList<FtpListEntry> parseListing(const QByteArray& listing, const QDate& today)
{
    QList<FtpListEntry> entries;
    for (QByteArray line : listing.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (std::optional<FtpListEntry> entry = parseListLine(line, today))
            entries.append(std::move(*entry));
    }
    return entries;
}

bool matchesPattern(const QString& name, const QString& pattern)
{
    if (pattern.isEmpty() || pattern == u"*" || pattern == u"*.*")
        return true;
    // Iterative wildcard match with backtracking to the last "*".
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern.at(p) == u'?' || pattern.at(p) == name.at(n))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern.at(p) == u'*') {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace vello
