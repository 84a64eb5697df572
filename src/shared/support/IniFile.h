// Settings-file access one key at a time, private-profile style, leaving every other byte of the file
// untouched.
#pragma once

#include <QString>

namespace vello {

/// Reads and writes single keys of an INI file ("[section]" lines followed by "key=value" lines).
///
/// - Section and key names match without regard to letter case; the first matching section and key win.
/// - A missing file, section or key reads as empty text.
/// - WriteValue changes exactly one line (or adds the key, and the section when missing); every other byte
///   of the file stays as it was: comments, blank lines, order, other sections, line endings, legacy
///   encodings.
/// - Writes go to a temporary file renamed over the original, under a lock file ("<file>.lock") that every
///   process of both programs takes, so concurrent writers never lose each other's keys.
/// - Keys may be full paths. A key or value that plain "key=value" syntax cannot hold (a "=" or line break in
///   a key, a line break or surrounding blanks in a value, a leading quote) is stored quoted with backslash
///   escapes ("\\", "\"", "\n", "\r", "\e" for "=") and reads back unchanged. Section names with a line
///   break or "]" are refused.
/// - Text is written as UTF-8, and the escaped bytes of NativePath.h as those bytes, so a key or value that
///   holds a file name that is not valid UTF-8 is written and found again without loss. In a line that is
///   not valid UTF-8, section names and (with text keys) keys match either its bytes or their CP932 decoding,
///   and values read as CP932 (legacy files).
/// - Path keys (KeyKind::Path, VolumeSize.ini): a key line whose bytes are not valid UTF-8 is the key of
///   those bytes when they name an existing file; otherwise it is the key of its CP932 decoding when that
///   names an existing file. Writing such a key replaces that line with the path's own bytes.
/// Not thread-safe for one object; any number of objects and processes may share a file.
class IniFile
{
public:
    enum class KeyKind
    {
        Text, ///< names: matched by their bytes or, in a legacy line, by its CP932 decoding
        Path  ///< file paths: legacy lines are matched by the file they name
    };

    IniFile() = default;
    explicit IniFile(const QString& path, KeyKind keys = KeyKind::Text) : m_path(path), m_keys(keys) {}

    void setFile(const QString& path) { m_path = path; }
    QString file() const { return m_path; }
    void setKeyKind(KeyKind keys) { m_keys = keys; }
    KeyKind keyKind() const { return m_keys; }

    /// The stored text of the key, at most maxLen characters; empty when missing or unreadable.
    QString ReadValue(const QString& section, const QString& key, int maxLen) const;

    /// Stores text under section and key, creating file, section and key when missing.
    /// Returns false (and leaves the file as it was) when the file cannot be read or written, the lock file
    /// cannot be created, or the section/key name is refused.
    bool WriteValue(const QString& section, const QString& key, const QString& text);

    /// A file or folder path was renamed: every key of section that equals oldPath, or that begins with
    /// oldPath followed by "/" (a file below that folder), takes newPath in that place, its value unchanged.
    /// Other lines keep their bytes; a line that already held one of the new keys is dropped, so the moved
    /// value is the one read. Keys match as ReadValue matches them. Returns the number of keys moved (0
    /// when none or when the file is missing), or -1 when the file could not be read or written.
    int MovePathKeys(const QString& section, const QString& oldPath, const QString& newPath);

    /// Files larger than this are neither parsed nor rewritten.
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;

private:
    QString m_path;
    KeyKind m_keys = KeyKind::Text;
};

} // namespace vello
