// Paths as the bytes the system gives: a lossless QString form, the system form and the shown form.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;

namespace vello {

/// A path or file name from the system, as QString without loss: valid UTF-8 decodes as usual; each byte
/// that is not part of a valid UTF-8 sequence becomes the lone surrogate U+DC80 + (byte - 0x80).
/// toNativePath(fromNativePath(b)) == b for every byte string b.
///
/// Such a QString must not be handed to QFile, QFileInfo or QDir (Qt encodes lone surrogates lossily):
/// use toNativePath with the POSIX calls, or the helpers below.
QString fromNativePath(const QByteArray& bytes);

/// The bytes to hand to the system: the escaped bytes restored, everything else as UTF-8.
QByteArray toNativePath(const QString& path);

/// True when the text holds escaped bytes (a name that is not valid UTF-8).
bool hasRawBytes(const QString& path);

/// The text to show for a file name: unchanged when it is valid UTF-8, otherwise its bytes decoded as
/// CP932 (legacy Japanese names); bytes that are neither show as U+FFFD.
QString displayName(const QString& name);

/// The text to show for a path: displayName of each "/"-separated component.
QString displayPath(const QString& path);

/// Program arguments as the system gave them (argv[1..]), each through fromNativePath.
QStringList nativeArguments(int argc, const char* const* argv);

/// stat(2) on the native bytes (links followed).
bool pathExists(const QString& path);
bool isRegularFile(const QString& path);
bool isDirectory(const QString& path);

/// The paths of the local files a text/uri-list names (a file manager's drag): "file:" addresses of this
/// machine, %XX escapes decoded, bytes kept as they are.
QStringList pathsFromUriList(const QByteArray& uriList);
/// The local files a drop carries: its text/uri-list, else its URLs; in their order.
QStringList droppedPaths(const QMimeData* data);

/// The last component (text after the last "/"; a trailing "/" is ignored) and the part before it.
QString fileNameOf(const QString& path);
QString folderOf(const QString& path);

} // namespace vello
