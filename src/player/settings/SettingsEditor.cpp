#include "SettingsEditor.h"

#include "AppError.h"
#include "IniFile.h"
#include "Logging.h"
#include "M_Config.h"
#include "MessageService.h"
#include "PlayerSettings.h"

namespace vello {

namespace {

const QString PlayModeSection = QStringLiteral("Play Mode");
const QString FileListSection = QStringLiteral("File List");
const QString ConfigSection = QStringLiteral("Config");
const QString SlideTimerSection = QStringLiteral("Slide Timer");

constexpr int PlayModeCount = 4;

int flag(bool ticked)
{
    return ticked ? 1 : 0;
}

} // namespace

const QStringList& SettingsEditor::timerTexts()
{
    static const QStringList texts{QStringLiteral("ちょ～早い"), QStringLiteral("早い"),
                                   QStringLiteral("普通"), QStringLiteral("遅い"),
                                   QStringLiteral("めっちゃ遅い")};
    return texts;
}

SettingsEditor::SettingsEditor(M_Config& config, QObject* parent) : QObject(parent), m_config(config) {}

CfgControls SettingsEditor::load() const
{
    const PlayerSettings& s = m_config.settings();
    CfgControls c;
    c.chkModal = s.TopMost != 0;
    c.chkSize = s.FixedRatio != 0;
    c.txtExt = s.FileExt;
    c.chkFileSize = s.FileSize != 0;
    c.chkTitle = s.FileTitle != 0;
    c.chkTime = s.FileDateTime != 0;
    c.chkSendRecycle = s.SendRecycle != 0;
    c.cboTimer = s.SlideTimer >= 0 && s.SlideTimer < timerTexts().size() ? s.SlideTimer : -1;
    c.chkPick = s.Pickup != 0;
    switch (s.DefaultDir) {
    case 0:
        c.startFolder = StartFolder::Favourites;
        break;
    case 1:
        c.startFolder = StartFolder::LastTime;
        break;
    case 2:
        c.startFolder = StartFolder::Fixed;
        c.txtDir = s.DefaultDirPath;
        break;
    default:
        c.startFolder = StartFolder::None;
        break;
    }
    c.playMode = s.PlayMode >= 0 && s.PlayMode < PlayModeCount ? s.PlayMode : -1;
    return c;
}

QString SettingsEditor::folderChosen(const QString& txtDir, const QString& chosen)
{
    if (chosen.isEmpty())
        return txtDir;
    return chosen.endsWith(u'/') ? chosen : chosen + u'/';
}

bool SettingsEditor::save(const CfgControls& c)
{
    PlayerSettings& s = m_config.settings();
    IniFile ini(M_Config::configPath());

    // One setting: the new value goes into memory and is written at once; a failed write puts the old
    // value back and ends the saving with the standard error report.
    const auto store = [&](int& field, int value, const QString& section, const QString& key) {
        const int previous = field;
        field = value;
        if (!ini.WriteValue(section, key, QString::number(value))) {
            field = previous;
            throw AppException(QStringLiteral("書き込みできません。"), errors::PermissionDenied,
                               QStringLiteral("Velloplayer"));
        }
    };
    const auto storeText = [&](QString& field, const QString& value, const QString& section,
                               const QString& key) {
        const QString previous = field;
        field = value;
        if (!ini.WriteValue(section, key, value)) {
            field = previous;
            throw AppException(QStringLiteral("書き込みできません。"), errors::PermissionDenied,
                               QStringLiteral("Velloplayer"));
        }
    };

    try {
        store(s.TopMost, flag(c.chkModal), PlayModeSection, QStringLiteral("TOPMOST"));
        store(s.FixedRatio, flag(c.chkSize), PlayModeSection, QStringLiteral("FIXED RATIO"));
        storeText(s.FileExt, c.txtExt, FileListSection, QStringLiteral("FILE EXT"));
        store(s.SendRecycle, flag(c.chkSendRecycle), FileListSection, QStringLiteral("SEND RECYCLE"));
        const int defaultDir =
            c.startFolder == StartFolder::None ? s.DefaultDir : static_cast<int>(c.startFolder);
        store(s.DefaultDir, defaultDir, ConfigSection, QStringLiteral("DEFAULT DIR"));
        store(s.SlideTimer, c.cboTimer < 0 ? s.SlideTimer : c.cboTimer, SlideTimerSection,
              QStringLiteral("Timer"));
        store(s.FileTitle, flag(c.chkTitle), FileListSection, QStringLiteral("FILE TITLE"));
        store(s.FileSize, flag(c.chkFileSize), FileListSection, QStringLiteral("FILE SIZE"));
        store(s.FileDateTime, flag(c.chkTime), FileListSection, QStringLiteral("FILE DATETIME"));
        if (c.startFolder == StartFolder::Fixed)
            storeText(s.DefaultDirPath, c.txtDir, ConfigSection, QStringLiteral("DEFAULT DIR PATH"));
        store(s.Pickup, flag(c.chkPick), ConfigSection, QStringLiteral("PICKUP"));
        store(s.PlayMode, c.playMode < 0 ? s.PlayMode : c.playMode, PlayModeSection, QStringLiteral("MODE"));
    } catch (const AppException& e) {
        qCInfo(lcSettings).noquote() << "settings not written:" << e.error().description << ini.file();
        MessageService::standardError(e.error());
        emit fileChangeRequested();
        return false;
    }
    qCInfo(lcSettings).noquote() << "settings written to" << ini.file();
    return true;
}

void SettingsEditor::apply()
{
    m_config.applyDisplaySettings();
    m_config.LoadConfig();
    emit settingsReloaded();
    emit fileChangeRequested();
}

} // namespace vello
