// Reads the lines of an FTP directory listing (LIST) in the Unix and the MS-DOS styles servers use.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vello {

struct FtpListEntry
{
    QString name; // the server's bytes, as fromNativePath gives them
    quint64 size = 0;
    QDateTime date; // the server's calendar fields, no time-zone conversion (kept as UTC); invalid if none
    bool directory = false;
};

/**
 * Parses one listing line (without its line end). Unix style:
 * "-rw-r--r--   1 owner group 5000000000 Dec 08 13:04 name" (group optional; "HH:MM" dates take the year
 * that puts them no later than a day after today; "name -> target" for links keeps the name); MS-DOS
 * style: "12-08-23  01:04PM  <DIR>  name". Returns nothing for lines that are neither (totals, blanks)
 * and for the entries "." and "..".
 */
std::optional<FtpListEntry> parseListLine(const QByteArray& line, const QDate& today);

/// Splits a whole listing into its entries, in the server's order.
QList<FtpListEntry> parseListing(const QByteArray& listing, const QDate& today);

/// True when name matches the pattern: "*" any run, "?" one character, case-sensitive; "*.*" and the
/// empty pattern match every name.
bool matchesPattern(const QString& name, const QString& pattern);

} // namespace vello
