// Velloplayer's entry point and composition root: builds the main window and wires the player's parts.
#include "AppIcon.h"
#include "Helpers.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PlayerDesktop.h"
#include "PlayerParts.h"
#include "ProgramInfo.h"
#include "ProgramPaths.h"
#include "QtMessageService.h"
#include "RunningCopy.h"
#include "Translations.h"
#include "VelloVersion.h"
#include "VideoOutput.h"
#include "frmMain.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

namespace {

QString helpText()
{
    using vello::ProgramPaths;
    return QStringLiteral(
               "Usage: velloplayer [FILE]\n"
               "Plays the media files of a folder one after another (Velloplayer, a window program).\n"
               "FILE, a path or a file:// address, is played at once; when Velloplayer already runs, its\n"
               "window plays it and this command ends.\n"
               "\n"
               "  -h, --help     show this help and exit\n"
               "      --version  show the version and exit\n"
               "\n"
               "Files:\n"
               "  settings       %1\n"
               "  editor         %2\n"
               "  help document  %3\n")
        .arg(ProgramPaths::dataFolder(false) + QStringLiteral("Config.ini"),
             ProgramPaths::companionProgram(QStringLiteral("vellokit")),
             ProgramPaths::documentFile(QStringLiteral("VELLOPLAYER.html")));
}

} // namespace

int main(int argc, char** argv)
{
    if (const vello::InfoRequest request = vello::infoRequest(argc, argv);
        request != vello::InfoRequest::NotAsked) {
        vello::printInfo(request, QStringLiteral("velloplayer"), QStringLiteral(VELLO_VERSION_STRING),
                         helpText());
        return 0;
    }
    if (!vello::displayAvailable(argc, argv)) {
        std::fputs(
            "velloplayer: 表示できる画面がありません (no display: set DISPLAY or run under xvfb-run)\n",
            stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velloplayer"));
    QApplication::setApplicationVersion(QStringLiteral(VELLO_VERSION_STRING));
    QApplication::setWindowIcon(vello::applicationIcon());
    // The launcher's name: desktops match the window to the launcher and its icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("velloplayer"));
    vello::installQtTranslations();
    vello::MessageService::setProgramTitle(QStringLiteral("Velloplayer"));
    vello::QtMessageService messages;
    vello::ScopedMessageService installed(&messages);

    vello::frmMain window;
    messages.setParent(&window);
    // The parts the window owns: folder tree, file list, history, players; wired before the start-up.
    vello::media::MpvSession::Options engine;
    engine.videoOutput = vello::videoOutputForDisplay();
    vello::PlayerParts parts(window, engine);

    // The whole text after the program name is one media file. The arguments are taken as the bytes the
    // system gave (Qt has removed its own options from argv), so a name that is not UTF-8 still reaches
    // its file.
    window.setCommandLine(vello::nativeArguments(argc, argv).join(u' '));

    // The window appears before the command-line file, the refresh and the tips; the media keys and the
    // screen saver (when the desktop has a session bus) are offered after them.
    window.setWindowFirst(true);
    QObject::connect(&window, &vello::frmMain::startupFinished, &parts, [&parts] {
        if (vello::PlayerDesktop::sessionBusAvailable())
            parts.desktop().connectToSession(QDBusConnection::sessionBus());
    });
    if (window.Form_Load() == vello::frmMain::StartResult::AnotherCopyRuns) {
        // Hand the file (the words as the system gave them) to the copy that runs; it raises its window.
        QByteArray text;
        for (int i = 1; i < argc; ++i)
            text += (i > 1 ? " " : "") + QByteArray(argv[i]);
        vello::RunningCopy::forward(text);
        return 0;
    }
    window.show();
    return QApplication::exec();
}
