// Vellokit's entry point: checks the start switch, then shows the start menu.
#include "AppIcon.h"
#include "Helpers.h"
#include "MessageService.h"
#include "ProgramInfo.h"
#include "ProgramPaths.h"
#include "QtMessageService.h"
#include "StartSwitch.h"
#include "VelloVersion.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>

namespace {

QString helpText()
{
    using vello::ProgramPaths;
    return QStringLiteral(
               "Usage: vellokit /MERIDANKOS\n"
               "Vellokit, Velloplayer's media editor (a window program): joins RealMedia files, joins MPEG\n"
               "files and cuts RealMedia files. Velloplayer starts it from its File menu (Ctrl+E); started\n"
               "any other way it refuses to run.\n"
               "\n"
               "  -h, --help     show this help and exit\n"
               "      --version  show the version and exit\n"
               "\n"
               "Files:\n"
               "  settings       %1\n"
               "  wait window    %2\n")
        .arg(ProgramPaths::dataFolder(false) + QStringLiteral("Config.ini"),
             ProgramPaths::companionProgram(QStringLiteral("vellowait")));
}

} // namespace

int main(int argc, char** argv)
{
    if (const vello::InfoRequest request = vello::infoRequest(argc, argv);
        request != vello::InfoRequest::NotAsked) {
        vello::printInfo(request, QStringLiteral("vellokit"), QStringLiteral(VELLO_VERSION_STRING),
                         helpText());
        return 0;
    }
    if (!vello::displayAvailable(argc, argv)) {
        std::fputs("vellokit: 表示できる画面がありません (no display: set DISPLAY or run under xvfb-run)\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellokit"));
    QApplication::setApplicationVersion(QStringLiteral(VELLO_VERSION_STRING));
    QApplication::setWindowIcon(vello::applicationIcon());
    vello::MessageService::setProgramTitle(QStringLiteral("Vellokit"));
    vello::QtMessageService messages;
    vello::ScopedMessageService installed(&messages);

    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    if (!vello::StartSwitch::accepts(arguments)) {
        vello::MessageService::warning(vello::StartSwitch::refusalText());
        return 1;
    }

    vello::editor::frmMain window;
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
