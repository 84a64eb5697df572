// Vellokit's entry point: checks the start switch, then shows the start menu.
#include "Helpers.h"
#include "MessageService.h"
#include "QtMessageService.h"
#include "StartSwitch.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (!vello::displayAvailable(argc, argv)) {
        std::fputs("vellokit: 表示できる画面がありません (no display: set DISPLAY or run under xvfb-run)\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellokit"));
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
