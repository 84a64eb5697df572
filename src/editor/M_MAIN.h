// Routines the editor's windows share: its Config.ini section, extension masks, moving files to the trash.
#pragma once

#include "EditorSettings.h"

#include <QString>
#include <QStringList>

namespace vello::editor {

/// The extension list a tool window lists its folder with: always at least one element.
using MaskList = QStringList;

/// The editor's section "VELLOKIT" of Config.ini (the player's file, in the same data folder) and small
/// helpers. Every other section and byte of the file is left as it was (IniFile). Any thread; the file
/// functions block on the disk.
class M_MAIN final
{
public:
    static QString section() { return QStringLiteral("VELLOKIT"); }
    /// Config.ini in the programs' data folder.
    static QString configPath();

    /// Fills settings from the file, key by key: RA_PATH, MPG_PATH, OUT_PATH, MPG_MASK, RA_MASK. A key that
    /// is missing or empty (after cutting at NUL) gets its default: the current folder (currentFolder, or
    /// the process's when empty) for the three folders, "mpg" and "rm;ram;ra" for the masks. Defaults are
    /// not written back; nothing is created. Unreadable or damaged files give the defaults.
    static EditorSettings LoadEditorSettings(const QString& iniPath, const QString& currentFolder = {});
    /// Writes all five keys in the same order, each as its field's text (empty text as empty). Returns
    /// false when a key could not be written; the keys written before it stay written.
    static bool SaveEditorSettings(const EditorSettings& settings, const QString& iniPath);

    /// Splits a mask at each ";": "rm;ram;ra" -> rm, ram, ra; "rm;" -> rm and ""; "" -> one "". The last
    /// element is cut at its first NUL.
    static MaskList SplitExtensions(const QString& mask);

    /// Moves the file to the desktop trash when it exists; nothing when it does not. Returns false only
    /// when an existing file could not be moved; *reason (when given) then says why, in Japanese.
    static bool RecycleFile(const QString& path, QString* reason = nullptr);

    /// The process's current folder, without a trailing "/" (the root stays "/").
    static QString currentFolder();
};

} // namespace vello::editor
