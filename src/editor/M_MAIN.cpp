#include "M_MAIN.h"

#include "Helpers.h"
#include "IniFile.h"
#include "NativePath.h"
#include "ProgramPaths.h"
#include "Trash.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vello::editor {

namespace {

// Masks are short texts; folders may be long on this system, so they are read in full.
constexpr int MaskLength = 255;
constexpr int FolderLength = 4096;

const QString kRaPath = QStringLiteral("RA_PATH");
const QString kMpgPath = QStringLiteral("MPG_PATH");
const QString kOutPath = QStringLiteral("OUT_PATH");
const QString kMpgMask = QStringLiteral("MPG_MASK");
const QString kRaMask = QStringLiteral("RA_MASK");

} // namespace

QString M_MAIN::configPath()
{
    return ProgramPaths::dataFile(QStringLiteral("Config.ini"));
}

QString M_MAIN::currentFolder()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return QStringLiteral("/");
        buffer.resize(buffer.size() * 2);
    }
    QString folder = fromNativePath(QByteArray(buffer.data()));
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

EditorSettings M_MAIN::LoadEditorSettings(const QString& iniPath, const QString& currentFolder)
{
    const IniFile ini(iniPath);
    const QString here = currentFolder.isEmpty() ? M_MAIN::currentFolder() : currentFolder;
    const auto read = [&](const QString& key, int length, const QString& fallback) {
        const QString value = CutAtNul(ini.ReadValue(section(), key, length));
        return value.isEmpty() ? fallback : value;
    };
    EditorSettings s;
    s.RaPath = read(kRaPath, FolderLength, here);
    s.MpgPath = read(kMpgPath, FolderLength, here);
    s.OutPath = read(kOutPath, FolderLength, here);
    s.MpgMask = read(kMpgMask, MaskLength, QStringLiteral("mpg"));
    s.RaMask = read(kRaMask, MaskLength, QStringLiteral("rm;ram;ra"));
    return s;
}

bool M_MAIN::SaveEditorSettings(const EditorSettings& settings, const QString& iniPath)
{
    IniFile ini(iniPath);
    return ini.WriteValue(section(), kRaPath, settings.RaPath) &&
           ini.WriteValue(section(), kMpgPath, settings.MpgPath) &&
           ini.WriteValue(section(), kOutPath, settings.OutPath) &&
           ini.WriteValue(section(), kMpgMask, settings.MpgMask) &&
           ini.WriteValue(section(), kRaMask, settings.RaMask);
}

MaskList M_MAIN::SplitExtensions(const QString& mask)
{
    MaskList list = mask.split(u';');
    list.last() = CutAtNul(list.last());
    return list;
}

bool M_MAIN::RecycleFile(const QString& path, QString* reason)
{
    if (path.isEmpty())
        return true;
    struct stat st
    {
    };
    if (::lstat(toNativePath(path).constData(), &st) != 0)
        return true;
    return moveToTrash(path, reason);
}

} // namespace vello::editor
