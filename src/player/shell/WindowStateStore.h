// The per-user store of the main window's state: section "CONFIG" of the "Velloplayer" settings.
#pragma once

#include <QString>

#include <optional>

class QSettings;

namespace vello {

/// Text values under section "CONFIG" of the per-user native settings store, application "Velloplayer".
/// Numbers are written as decimal text; a path that is not valid UTF-8 as its bytes (pathSettingValue). Each
/// call opens and closes the store, so nothing is read or written before the first call. Window thread only.
class WindowStateStore
{
public:
    /// The stored text, or nothing when the key is missing.
    std::optional<QString> value(const QString& key) const;
    /// The stored text, empty when missing.
    QString text(const QString& key) const { return value(key).value_or(QString()); }
    void setValue(const QString& key, const QString& text);
    void setNumber(const QString& key, double number);
    /// Removes the key (nothing when it is missing).
    void remove(const QString& key);

    /// True when the text is a finite decimal number (blanks around it allowed).
    static bool isNumber(const QString& text);
    static double toNumber(const QString& text) { return text.trimmed().toDouble(); }

    /// Flushes the store to disk (the store also flushes when the program ends normally).
    void sync();
};

} // namespace vello
