// Settings-file access one key at a time, private-profile style, leaving every other byte of the file untouched.
#pragma once

#include <QString>

namespace vello {

/// Reads and writes single keys of an INI file ("[section]" lines followed by "key=value" lines).
///
/// - Section and key names match without regard to letter case; the first matching section and key win.
/// - A missing file, section or key reads as empty text.
/// - WriteValue changes exactly one line (or adds the key, and the section when missing); every other byte
///   of the file stays as it was: comments, blank lines, order, other sections, line endings, legacy encodings.
/// - Writes go to a temporary file renamed over the original, under a lock file ("<file>.lock") that every
///   process of both programs takes, so concurrent writers never lose each other's keys.
/// - Keys may be full paths. A key or value that plain "key=value" syntax cannot hold (a "=" or line break in
///   a key, a line break or surrounding blanks in a value, a leading quote) is stored quoted with backslash
///   escapes ("\\", "\"", "\n", "\r", "\e" for "=") and reads back unchanged. Section names with a line
///   break or "]" are refused.
/// - Text is written as UTF-8; lines that are not valid UTF-8 are read as CP932.
/// Not thread-safe for one object; any number of objects and processes may share a file.
class IniFile
{
public:
    IniFile() = default;
    explicit IniFile(const QString& path) : m_path(path) {}

    void setFile(const QString& path) { m_path = path; }
    QString file() const { return m_path; }

    /// The stored text of the key, at most maxLen characters; empty when missing or unreadable.
    QString ReadValue(const QString& section, const QString& key, int maxLen) const;

    /// Stores text under section and key, creating file, section and key when missing.
    /// Returns false (and leaves the file as it was) when the file cannot be read or written, the lock file
    /// cannot be created, or the section/key name is refused.
    bool WriteValue(const QString& section, const QString& key, const QString& text);

    /// Files larger than this are neither parsed nor rewritten.
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;

private:
    QString m_path;
};

} // namespace vello
