// The five folders from which files were played last, newest first, kept in the per-user store.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace vello {

/// Entries are 1-based (1 = newest) and always five. Texts are kept exactly as given. Window thread only.
///
/// Store: QSettings(NativeFormat, UserScope, "Velloplayer", "Velloplayer"), group "CONFIG", keys
/// "PATH1".."PATH5"; a missing key loads as the home folder (ProgramPaths::startFolder()). Entries are folder
/// paths in the escaped form of NativePath.h; one that is not valid UTF-8 is stored as its bytes
/// (pathSettingValue).
class FolderHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int Size = 5;

    explicit FolderHistory(QObject* parent = nullptr);

    /// The five entries, newest first. These are also the captions of the five history menu entries.
    QStringList entries() const { return m_entries; }
    /// Entry index (1..5); empty text for another index. log_Click(index) opens this folder.
    QString entry(int index) const;

    /// Records that a file of folder was started (folder mode only): an exact, case-sensitive match moves
    /// to the front, a new folder enters at the front and the oldest entry is dropped. Emits entriesChanged
    /// unless the folder already was entry 1.
    void recordPlay(const QString& folder);
    /// Sets all entries to the system root "/" and saves them at once. Emits entriesChanged.
    void clear();

    /// Reads the entries from the store. Emits entriesChanged.
    void load();
    /// Writes the entries to the store. Returns false when the store could not be written.
    bool save() const;

signals:
    /// The entries changed; the history menu shows entries() again.
    void entriesChanged(const QStringList& entries);

private:
    QStringList m_entries;
};

} // namespace vello
