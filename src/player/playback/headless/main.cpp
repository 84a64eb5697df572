// velloplay: plays the media files of a folder one after another in the terminal, by the player's settings.
#include "HeadlessPlayer.h"
#include "M_Config.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"
#include "VelloVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velloplay"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELLO_VERSION_STRING));
    vello::MessageService::setProgramTitle(QStringLiteral("Velloplayer"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the media files of FOLDER one after another by the play mode of Config.ini.\n"
                       "Type q and Enter, or press Ctrl+C, to stop."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption audio(QStringLiteral("audio"),
                                   QStringLiteral("Play the sound (default: no sound)."));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("Play mode instead of the setting: 0 normal, 1 repeat all, "
                                                 "2 repeat one, 3 random."),
                                  QStringLiteral("n"));
    const QCommandLineOption programFolder(
        QStringLiteral("program-folder"),
        QStringLiteral("Folder whose Config.ini is read (default: the program's own folder)."),
        QStringLiteral("dir"));
    parser.addOption(audio);
    parser.addOption(mode);
    parser.addOption(programFolder);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("Folder to play."));
    // The arguments as the bytes the system gave: a folder whose name is not UTF-8 is still found.
    QStringList arguments = vello::nativeArguments(argc, argv);
    arguments.prepend(QString::fromLocal8Bit(argv[0]));
    parser.process(arguments);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }
    vello::HeadlessPlayer::Options options;
    options.folder = positional.first();
    options.audio = parser.isSet(audio);
    if (parser.isSet(mode)) {
        bool ok = false;
        options.playModeOverride = parser.value(mode).toInt(&ok);
        if (!ok || options.playModeOverride < 0 || options.playModeOverride > 3) {
            std::fprintf(stderr, "velloplay: --mode takes 0, 1, 2 or 3\n");
            return 2;
        }
    }
    if (parser.isSet(programFolder))
        vello::ProgramPaths::overrideProgramFolder(parser.value(programFolder));

    // The settings as the player reads them; without Config.ini the first-run values, and the file is
    // not created here.
    vello::PlayerSettings settings;
    settings.PlayMode = 0;
    settings.FileExt = QStringLiteral("rm;mpg;asf");
    settings.ExtList = vello::M_Config::BuildExtList(settings.FileExt);
    settings.FileTitle = 0;
    settings.FileSize = 1;
    settings.FileDateTime = 1;
    settings.SlideTimer = 2;
    if (QFileInfo::exists(vello::M_Config::configPath())) {
        vello::M_Config config;
        config.settings() = settings; // a value that fails to read keeps its first-run value
        config.LoadConfig();
        settings = config.settings();
    }

    vello::HeadlessPlayer player(options, settings);
    if (!player.start())
        return 1;
    return app.exec();
}
