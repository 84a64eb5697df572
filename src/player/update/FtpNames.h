// Names on the FTP wire: bytes as the server sends them, carried losslessly in a QString.
#pragma once

#include <QByteArray>
#include <QString>

namespace vello {

/// Decodes a name from the server: valid UTF-8 decodes as usual, every other byte b becomes the lone
/// surrogate U+DC00+b, so toWireName gives the same bytes back.
QString fromWireName(const QByteArray& bytes);
/// Encodes a name for the server: the inverse of fromWireName.
QByteArray toWireName(const QString& name);

} // namespace vello
