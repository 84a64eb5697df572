// The per-file volume store: one value (0..100) per media file path in VolumeSize.ini.
#pragma once

#include <QString>

#include <optional>

namespace vello {

/// Reads and writes section "VOLUME" of the volume file, one key per full media path (exactly as the
/// player's current file holds it: a name that is not valid UTF-8 is written as its bytes, and a legacy
/// line in CP932 is found when it names the file; see IniFile::KeyKind::Path). Every operation opens the
/// file, does one key and closes it again.
///
/// Errors are not reported: a write that fails loses the value; a missing file or a missing key reads as
/// no entry. Window thread only; other processes may share the file.
class VolumeMemory
{
public:
    static constexpr int MaxValueLength = 500;

    /// An empty path disables the memory: nothing is read or written.
    explicit VolumeMemory(const QString& path = {}) : m_path(path) {}

    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }
    bool enabled() const { return !m_path.isEmpty(); }

    /// Stores the slider value for the media file. Returns whether it was written.
    bool remember(const QString& mediaFile, int sliderValue) const;
    /// What the file holds for a media file.
    struct Stored
    {
        bool present = false;     ///< the key holds a value (not empty)
        std::optional<int> value; ///< that value, when it is a number within 0..100 (as a whole number)
    };
    Stored recall(const QString& mediaFile) const;
    /// A file or folder was renamed: the values stored for it (or for the files below it) move to the new
    /// path. Returns the number of values moved; -1 when the file could not be written.
    int movePath(const QString& oldPath, const QString& newPath) const;

private:
    QString m_path;
};

} // namespace vello
