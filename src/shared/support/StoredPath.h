// Paths kept in settings and state files so that they find the same file again after a restart.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace vello {

/// The value to give QSettings for a path (escaped form of NativePath.h): the text itself when it is
/// valid UTF-8, else its bytes (QSettings cannot keep lone surrogates in a text value).
QVariant pathSettingValue(const QString& path);

/// The path back from a value written by pathSettingValue, or from plain text written by older versions.
QString pathFromSettingValue(const QVariant& value);

/// A path read as bytes from a legacy state file line (Fa.dat, VolumeSize.ini): taken as those bytes when
/// they name an existing file or folder; otherwise, when the bytes are not valid UTF-8 and their CP932
/// decoding names an existing file or folder, that decoding (the line was written on a Japanese Windows
/// system or by a program that stored the shown text). Otherwise the bytes, unchanged. Escaped form.
QString storedPathFromBytes(const QByteArray& bytes);

} // namespace vello
