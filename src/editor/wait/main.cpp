// vellowait: the editor's wait window. Shows the message given as its arguments with a progress bar fed by
// percentage lines on its standard input, and ends when that input ends.
#include "Helpers.h"
#include "MessageService.h"
#include "QtMessageService.h"
#include "Translations.h"
#include "WaitDialog.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (!vello::displayAvailable(argc, argv)) {
        std::fputs("vellowait: 表示できる画面がありません (no display)\n", stderr);
        return 2;
    }
    // The editor may end before it closes the input; writing nothing, we only need to survive a closed pipe.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellowait"));

    QStringList words = QApplication::arguments();
    if (!words.isEmpty())
        words.removeFirst();
    // "--owner=<window id>": the editor's window to stay above.
    quintptr owner = 0;
    if (!words.isEmpty() && words.first().startsWith(QStringLiteral("--owner="))) {
        owner = words.takeFirst().mid(8).toULongLong();
    }
    vello::editor::WaitDialog window(words.join(u' '));
    window.setOwnerWindow(owner);

    // The question of the close button is asked over this window; the answer goes to the editor.
    vello::MessageService::setProgramTitle(QStringLiteral("Vellokit"));
    vello::installQtTranslations();
    vello::QtMessageService messages(&window);
    vello::ScopedMessageService installed(&messages);
    QObject::connect(&window, &vello::editor::WaitDialog::stopRequested, [] {
        std::fputs("stop\n", stdout);
        std::fflush(stdout);
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            window.takeInput(QByteArray(buffer, static_cast<qsizetype>(n)));
            return;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        input.setEnabled(false);
        window.inputEnded();
    });

    // In the middle of the screen, where the user looks while waiting.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return QApplication::exec();
}
