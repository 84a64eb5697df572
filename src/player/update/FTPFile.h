// One entry of an FTP listing, as McWinFTP fills it.
#pragma once

#include <QDateTime>
#include <QString>

namespace vello {

/// A listing entry: fields only. McWinFTP replaces it on each FindFile and refills it on each NextFile.
struct FTPFile final
{
    /// Entry name, at most 260 characters, cut at the first NUL. Bytes that are not UTF-8 are kept as
    /// escapes (fromNativePath), so the name can be handed back to the server unchanged; show it with
    /// displayName.
    QString FileName;
    /// Size in bytes; exact up to 2^53 (a 5,000,000,000-byte entry reads 5,000,000,000).
    double FileSize = 0.0;
    /// Last-write time with the calendar fields the server reported, without any time-zone conversion
    /// (held as UTC so that no conversion applies). Invalid when the server gave no usable date.
    QDateTime FileDate;
    /// 16 for a directory, otherwise 0.
    qint32 FileType = 0;
    /// True when the listing has no further entry.
    bool SearchEnd = false;

    static constexpr qint32 DirectoryType = 16;
};

} // namespace vello
