#include "VersionNumber.h"

#include "VelloVersion.h"

#include <QRegularExpression>

namespace vello {

std::optional<VersionNumber> VersionNumber::parse(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?\\s*$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return std::nullopt;
    VersionNumber value;
    value.m_integer = m.captured(2);
    value.m_fraction = m.captured(3);
    while (value.m_integer.startsWith(u'0'))
        value.m_integer.remove(0, 1);
    while (value.m_fraction.endsWith(u'0'))
        value.m_fraction.chop(1);
    value.m_negative = m.captured(1) == u"-" && !(value.m_integer.isEmpty() && value.m_fraction.isEmpty());
    return value;
}

VersionNumber VersionNumber::local(int major, int minor, int revision)
{
    const QString text = QString::number(major) + u'.' + QString::number(minor) + QString::number(revision);
    return parse(text).value_or(VersionNumber{});
}

VersionNumber VersionNumber::program()
{
    return local(VELLO_VERSION_MAJOR, VELLO_VERSION_MINOR, VELLO_VERSION_PATCH);
}

VersionNumber VersionNumber::latest(const QString& firstLine)
{
    if (firstLine.size() > MaxLineLength)
        return {};
    return parse(firstLine).value_or(VersionNumber{});
}

int VersionNumber::compare(const VersionNumber& a, const VersionNumber& b)
{
    if (a.m_negative != b.m_negative)
        return a.m_negative ? -1 : 1;
    const int sign = a.m_negative ? -1 : 1;
    if (a.m_integer.size() != b.m_integer.size())
        return a.m_integer.size() < b.m_integer.size() ? -sign : sign;
    if (const int c = a.m_integer.compare(b.m_integer); c != 0)
        return c < 0 ? -sign : sign;
    // Same integer part: the fractions compare digit by digit, a missing digit reading 0.
    if (const int c = a.m_fraction.compare(b.m_fraction); c != 0)
        return c < 0 ? -sign : sign;
    return 0;
}

QString VersionNumber::toString() const
{
    QString text = (m_negative ? QStringLiteral("-") : QString()) +
                   (m_integer.isEmpty() ? QStringLiteral("0") : m_integer);
    if (!m_fraction.isEmpty())
        text += u'.' + m_fraction;
    return text;
}

QString versionFileFirstLine(const QByteArray& head)
{
    QByteArray line = head;
    if (line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    const qsizetype end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end);
    const qsizetype cr = line.indexOf('\r');
    if (cr >= 0)
        line.truncate(cr);
    return QString::fromUtf8(line).trimmed();
}

QString archivePathIn(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace vello
