// Vellokit's entry point and composition root: checks the start switch, reads the editor's settings and
// shows the start menu.
#include "AppIcon.h"
#include "EditorWindows.h"
#include "Helpers.h"
#include "Logging.h"
#include "M_MAIN.h"
#include "MessageService.h"
#include "ProgramInfo.h"
#include "ProgramPaths.h"
#include "QtMessageService.h"
#include "RunningCopy.h"
#include "SingleInstance.h"
#include "StartSwitch.h"
#include "Translations.h"
#include "VelloVersion.h"
#include "VideoOutput.h"
#include "frmMain.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

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

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int signalNumber)
{
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

/// SIGTERM, SIGINT and SIGHUP end the event loop, so that a run that is going is stopped and its
/// temporary file removed as the windows are taken down.
void endOnTerminationSignals(QObject* parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char byte = 0;
        if (::read(g_signalPipe[0], &byte, 1) == 1) {
            qCInfo(vello::lcEditor) << "ending on signal" << int(byte);
            QCoreApplication::exit(128 + byte);
        }
    });
    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
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
    // A file-size limit makes a write fail (and the run report it) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellokit"));
    QApplication::setApplicationVersion(QStringLiteral(VELLO_VERSION_STRING));
    QApplication::setWindowIcon(vello::applicationIcon());
    vello::installQtTranslations();
    vello::MessageService::setProgramTitle(QStringLiteral("Vellokit"));
    vello::QtMessageService messages;
    vello::ScopedMessageService installed(&messages);

    // Before anything is read or written: the editor runs only when the player starts it.
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    if (!vello::StartSwitch::accepts(arguments)) {
        vello::MessageService::warning(vello::StartSwitch::refusalText());
        return 1;
    }

    // One editor per user: a second start (Ctrl+E in the player again) brings the running one's menu to
    // the front instead.
    vello::SingleInstance single(QStringLiteral("vellokit"));
    if (!single.acquire()) {
        if (vello::RunningCopy::forward({}, 5000, "vellokit")) {
            qCInfo(vello::lcEditor) << "handed over to the running editor";
            return 0;
        }
        qCInfo(vello::lcError) << "the running editor did not answer; starting another";
    }

    using namespace vello::editor;
    const QString config = M_MAIN::configPath();
    vello::media::MpvSession::Options engine;
    engine.videoOutput = vello::videoOutputForDisplay();
    EditorWindows windows(M_MAIN::LoadEditorSettings(config), engine, config);
    vello::RunningCopy runningCopy(nullptr, "vellokit");
    if (single.held())
        runningCopy.listen();
    QObject::connect(&runningCopy, &vello::RunningCopy::commandLineReceived, &windows, [&windows] {
        qCInfo(vello::lcEditor) << "started again: the menu comes to the front";
        windows.showMenu();
    });
    endOnTerminationSignals(&windows);
    windows.menu().show();
    qCDebug(vello::lcEditor) << "start menu shown";
    return QApplication::exec();
}
