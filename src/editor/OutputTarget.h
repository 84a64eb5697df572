// Where a tool writes its result: checks the output before any work, reserves the temporary file beside
// it, and puts the finished file in place.
#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

namespace vello::editor {

/// The output file of one run. prepare() checks it before any work starts; the work writes a temporary
/// file ("<output>.tmp", or "<output>.<n>.tmp" when that name is taken) in the output's folder; commit()
/// moves an existing output to the trash and renames the temporary file to the output; discard() removes
/// the temporary file. A symbolic link as output is followed: its target is written.
/// Paths are kept as the system gave them (NativePath.h). Any one thread at a time; blocks on the disk.
class OutputTarget final
{
public:
    OutputTarget() = default;
    /// A temporary file that was not committed is removed.
    ~OutputTarget() { discard(); }
    OutputTarget(OutputTarget&& other) noexcept;
    OutputTarget& operator=(OutputTarget&& other) noexcept;
    OutputTarget(const OutputTarget&) = delete;
    OutputTarget& operator=(const OutputTarget&) = delete;

    /// Checks the output text and, on success, returns the target to write. On failure *error holds one
    /// Japanese sentence and nothing was touched.
    static std::optional<OutputTarget> prepare(const QString& output, QString* error);

    /// The file that will hold the result (the output, or the file its symbolic link points to).
    QString target() const { return m_target; }

    /// Creates the temporary file exclusively (empty, mode 0666 less the umask) and keeps it open for
    /// writing. Returns false with *error set when it cannot be created.
    bool reserveTemporary(QString* error);
    QString temporary() const { return m_temporary; }
    /// The open descriptor of the temporary file (-1 when closed).
    int descriptor() const { return m_fd; }
    /// Closes the descriptor (a write error surfacing at close is reported); true when nothing failed.
    bool closeDescriptor(QString* error);

    /// The temporary file is complete: an existing output goes to the trash, then the temporary file
    /// takes the output's name. When the descriptor cannot be closed the temporary file is removed;
    /// any later failure (the old output cannot go to the trash, the rename fails, a folder took the
    /// output's name) keeps the complete result under its temporary name and *error says where it is.
    bool commit(QString* error);
    /// Removes the temporary file when it exists (after a failure). Safe to call more than once.
    void discard();

    /// Japanese text for an errno value of a failed file operation.
    static QString systemErrorText(int errorNumber);

private:
    QString m_target;
    QString m_temporary;
    int m_fd = -1;
};

/// Identity of a file on the disk (device and inode); used to recognise the file just written among the
/// inputs, whatever name leads to it.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
    /// The identity of the file a path leads to (symbolic links followed); nullopt when there is none.
    static std::optional<FileIdentity> of(const QString& path);
};

} // namespace vello::editor
