// Version numbers of the update check: the program's own and the one in the server's version file.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vello {

/// A decimal number kept as its digits, so that 1.100 and 1.1 are equal and no rounding applies.
class VersionNumber final
{
public:
    /// Reads "[+|-]digits[.digits]" (or ".digits"), blanks around allowed; nothing for any other text.
    static std::optional<VersionNumber> parse(const QString& text);

    /// The program's own number: major, ".", minor and revision written one after the other (major 1,
    /// minor 2, revision 5 gives 1.25; 1, 10, 0 gives 1.100).
    static VersionNumber local(int major, int minor, int revision);
    /// This program's own number (the build's major, minor and revision).
    static VersionNumber program();

    /// The latest version a version file's first line gives: the line as a number, or 0 when it is not
    /// one (or longer than MaxLineLength characters).
    static VersionNumber latest(const QString& firstLine);

    /// -1, 0 or 1.
    static int compare(const VersionNumber& a, const VersionNumber& b);

    QString toString() const;

    static constexpr qsizetype MaxLineLength = 32;

private:
    bool m_negative = false;
    QString m_integer;  // no leading zeros
    QString m_fraction; // no trailing zeros
};

inline bool operator<(const VersionNumber& a, const VersionNumber& b)
{
    return VersionNumber::compare(a, b) < 0;
}
inline bool operator==(const VersionNumber& a, const VersionNumber& b)
{
    return VersionNumber::compare(a, b) == 0;
}

/// The first line of a version file from its first bytes: decoded (UTF-8, a leading byte-order mark
/// dropped), without its line end and without blanks around it.
QString versionFileFirstLine(const QByteArray& head);

/// Where the archive goes in the chosen folder: the folder, one "/" and the name.
QString archivePathIn(const QString& folder, const QString& name);

} // namespace vello
