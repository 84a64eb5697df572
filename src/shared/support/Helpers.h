// Small text and number helpers shared by both programs.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vello {

/// The text up to (not including) its first NUL character; the whole text when it holds none.
QString CutAtNul(const QString& text);

/// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
/// Values outside the 64-bit range are clamped; NaN gives 0.
qint64 roundHalfEven(double value);

/// Whole seconds as minutes ":" seconds, each with at least two digits: 125 -> "02:05", 6000 -> "100:00".
/// Negative input is shown as 00:00.
QString timeText(qint64 wholeSeconds);

/// Decodes bytes read from legacy files and media headers: UTF-8 when the bytes are valid UTF-8, otherwise
/// CP932 (Shift-JIS). Never fails; undecodable bytes become U+FFFD.
QString decodeLegacyText(const QByteArray& bytes);

/// True when the bytes form valid UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(const QByteArray& bytes);

/// True when the whole text (after trimming blanks) is a decimal whole number that fits 32 bits,
/// optionally signed. This is the program's test for "numeric" setting values.
bool isWholeNumber(const QString& text);
/// A numeric text (decimal point and exponent allowed, blanks around it) taken as a whole number: rounded
/// to the nearest, halves to even. Nothing for text that is not a finite number or lies outside int.
std::optional<int> numericWhole(const QString& text);

/// True when a window program can open a screen: a display server is named (DISPLAY, WAYLAND_DISPLAY),
/// or a Qt platform plugin is chosen (QT_QPA_PLATFORM, -platform). Call before creating the application.
bool displayAvailable(int argc, char** argv);

} // namespace vello
