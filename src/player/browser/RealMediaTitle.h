// Reads the title of a media file from its RealMedia content-description ("CONT") header.
#pragma once

#include <QByteArray>
#include <QString>

namespace vello {

/// Bytes of a file the title depends on: a marker starting at file position 9999 (1-based), 12 header
/// bytes and 256 title bytes.
constexpr qsizetype RealMediaTitleHeadBytes = 10266;

/// The text shown when a file carries no title.
QString noTitleText();

/// The title found in the first bytes of a file: the first "CONT" (exact case) whose "C" lies at file
/// position 1..9999 (1-based) and whose four bytes lie within head; the title bytes start 12 bytes after
/// the "C" and end before the first zero byte, after 256 bytes or at the end of head. Decoded as UTF-8
/// when valid, else CP932. noTitleText() when there is no marker or the title is empty.
QString realMediaTitleFromHead(const QByteArray& head);

/// The title of the file at path (any extension). Reads at most RealMediaTitleHeadBytes bytes; opens
/// regular files only and never blocks on special files. Never fails: a file that cannot be opened or
/// read yields noTitleText(). Blocking file I/O; any thread.
QString ReadRealMediaTitle(const QString& path);

} // namespace vello
