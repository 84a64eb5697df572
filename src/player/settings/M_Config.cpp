#include "M_Config.h"

#include "AppError.h"
#include "ConfigHost.h"
#include "Helpers.h"
#include "IniFile.h"
#include "Logging.h"
#include "MessageService.h"
#include "ProgramPaths.h"

#include <QFileInfo>

namespace vello {

namespace {

const QString PlayMode = QStringLiteral("Play Mode");
const QString FileList = QStringLiteral("File List");
const QString Config = QStringLiteral("Config");
const QString SlideTimer = QStringLiteral("Slide Timer");

constexpr int NumberLength = 50;
constexpr int ExtLength = 255;
constexpr int PathLength = 500;

AppError typeMismatch()
{
    return AppError{QStringLiteral("型が一致しません。"), errors::TypeMismatch,
                    QStringLiteral("Velloplayer")};
}

/// The whole number of a stored numeric value ("1.0" is 1, "3.6" is 4, halves to even); throws the
/// type-mismatch error when the text is not a number.
int wholeNumber(const QString& text)
{
    const auto value = numericWhole(text);
    if (!value)
        throw AppException(typeMismatch());
    return *value;
}

} // namespace

QString M_Config::configPath()
{
    return ProgramPaths::dataFile(QStringLiteral("Config.ini"));
}

void M_Config::LoadConfig()
{
    const QString path = configPath();
    if (QFileInfo::exists(path)) {
        readExisting(path);
        return;
    }
    createFirstRun(path);
    if (QFileInfo::exists(path)) {
        // Read back what was just written, exactly once.
        readExisting(path);
        if (m_lastLoad == LoadResult::Read)
            m_lastLoad = LoadResult::Created;
    } else {
        m_lastLoad = LoadResult::CreateFailed;
    }
}

void M_Config::readExisting(const QString& path)
{
    const IniFile ini(path);
    PlayerSettings& s = m_settings;
    try {
        s.TopMost = wholeNumber(ini.ReadValue(PlayMode, QStringLiteral("TOPMOST"), NumberLength));
        s.FixedRatio = wholeNumber(ini.ReadValue(PlayMode, QStringLiteral("FIXED RATIO"), NumberLength));
        s.FileExt = ini.ReadValue(FileList, QStringLiteral("FILE EXT"), ExtLength);
        s.DefaultDir = wholeNumber(ini.ReadValue(Config, QStringLiteral("DEFAULT DIR"), NumberLength));
        s.FileTitle = wholeNumber(ini.ReadValue(FileList, QStringLiteral("FILE TITLE"), NumberLength));
        s.FileSize = wholeNumber(ini.ReadValue(FileList, QStringLiteral("FILE SIZE"), NumberLength));
        s.FileDateTime = wholeNumber(ini.ReadValue(FileList, QStringLiteral("FILE DATETIME"), NumberLength));
        s.SendRecycle = wholeNumber(ini.ReadValue(FileList, QStringLiteral("SEND RECYCLE"), NumberLength));
        if (s.DefaultDir != -1)
            s.DefaultDirPath = ini.ReadValue(Config, QStringLiteral("DEFAULT DIR PATH"), PathLength);
    } catch (const AppException& e) {
        m_lastLoad = LoadResult::Failed;
        qCInfo(lcSettings).noquote() << "settings not read to their end:" << e.error().description << path;
        MessageService::standardError(e.error());
        return;
    }

    if (const auto pickup = numericWhole(ini.ReadValue(Config, QStringLiteral("PICKUP"), NumberLength)))
        s.Pickup = *pickup;

    s.SlideTimer = numericWhole(ini.ReadValue(SlideTimer, QStringLiteral("Timer"), NumberLength)).value_or(2);

    s.ExtList = BuildExtList(s.FileExt);

    s.PlayMode = numericWhole(ini.ReadValue(PlayMode, QStringLiteral("MODE"), NumberLength)).value_or(0);

    m_lastLoad = LoadResult::Read;
    qCInfo(lcSettings).noquote() << "settings loaded from" << path << "- extensions" << s.FileExt
                                 << "play mode" << s.PlayMode << "start folder" << s.DefaultDir;
}

void M_Config::createFirstRun(const QString& path)
{
    if (m_host)
        m_host->hideMainWindow();

    PlayerSettings& s = m_settings;
    s.TopMost = 0;
    s.FixedRatio = 0;
    s.FileExt = QStringLiteral("rm;mpg;asf");
    s.SendRecycle = 0;
    s.DefaultDir = 1;
    s.SlideTimer = 2;
    s.FileTitle = 0;
    s.FileSize = 1;
    s.FileDateTime = 1;
    s.Pickup = 0;
    s.PlayMode = 0;
    s.ExtList = BuildExtList(s.FileExt);

    // Every write is attempted; a failing one does not stop the others.
    qCInfo(lcSettings).noquote() << "first start: the default settings are written to" << path;
    IniFile ini(path);
    const auto number = [](int v) { return QString::number(v); };
    ini.WriteValue(PlayMode, QStringLiteral("TOPMOST"), number(s.TopMost));
    ini.WriteValue(PlayMode, QStringLiteral("FIXED RATIO"), number(s.FixedRatio));
    ini.WriteValue(FileList, QStringLiteral("FILE EXT"), s.FileExt);
    ini.WriteValue(FileList, QStringLiteral("SEND RECYCLE"), number(s.SendRecycle));
    ini.WriteValue(Config, QStringLiteral("DEFAULT DIR"), number(s.DefaultDir));
    ini.WriteValue(SlideTimer, QStringLiteral("Timer"), number(s.SlideTimer));
    ini.WriteValue(FileList, QStringLiteral("FILE TITLE"), number(s.FileTitle));
    ini.WriteValue(FileList, QStringLiteral("FILE SIZE"), number(s.FileSize));
    ini.WriteValue(FileList, QStringLiteral("FILE DATETIME"), number(s.FileDateTime));
    ini.WriteValue(Config, QStringLiteral("PICKUP"), number(s.Pickup));
    ini.WriteValue(PlayMode, QStringLiteral("MODE"), number(s.PlayMode));

    applyDisplaySettings();
    if (m_host)
        m_host->showMainWindow();
}

void M_Config::applyDisplaySettings()
{
    const PlayerSettings& s = m_settings;
    if (m_host) {
        m_host->setColumnWidths(titleColumnTwips(s.FileTitle), dateColumnTwips(s.FileDateTime),
                                sizeColumnTwips(s.FileSize));
        m_host->applyTopMost(s.TopMost != 0);
    }
    FixedRatioSwitch();
}

QStringList M_Config::BuildExtList(const QString& fileExt)
{
    QStringList list;
    qsizetype start = 0;
    qsizetype p = fileExt.indexOf(u';');
    while (p >= 0) {
        list.append(fileExt.mid(start, p - start));
        start = p + 1;
        p = fileExt.indexOf(u';', start);
    }
    list.append(CutAtNul(fileExt.mid(start)));
    return list;
}

void M_Config::FixedRatioSwitch()
{
    const bool on = m_settings.FixedRatio != 0;
    if (on == m_aspectInstalled)
        return;
    m_aspectInstalled = on;
    if (m_host)
        m_host->applyFixedRatio(on);
}

} // namespace vello
