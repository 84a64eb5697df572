// A run of the editor's tools without windows, for the tests that need another user or a file-size
// limit: the test starts this program (through setpriv, or with --fsize) and reads what the user was told.
//
// edit_run_helper --kind rajoin|racut|mpgjoin --out PATH [--title T] [--from MS --to MS] [--answer yes|no]
//                 [--fsize BYTES] INPUT...
// Prints one line per message: "<icon>\t<text>" with line breaks in the text written as "\n", then
// "outcome\t<Refused|Failed|Succeeded>". Exit code 0 when the run ended, 2 on bad usage.
#include "EditRun.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"

#include <QCoreApplication>
#include <QMetaEnum>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace vello;
using namespace vello::editor;

namespace {

const char* iconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical:
        return "critical";
    case MessageIcon::Warning:
        return "warning";
    case MessageIcon::Information:
        return "information";
    case MessageIcon::Question:
        return "question";
    case MessageIcon::None:
        break;
    }
    return "none";
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGXFSZ, SIG_IGN);
    RunRequest request;
    MessageAnswer answer = MessageAnswer::No;
    for (int i = 1; i < argc; ++i) {
        const auto next = [&]() -> QString {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "missing value after %s\n", argv[i]);
                std::exit(2);
            }
            return fromNativePath(QByteArray(argv[++i]));
        };
        if (!std::strcmp(argv[i], "--kind")) {
            const QString kind = next();
            request.kind = kind == "racut"     ? ToolKind::RaCut
                           : kind == "mpgjoin" ? ToolKind::MpgJoin
                                               : ToolKind::RaJoin;
        } else if (!std::strcmp(argv[i], "--out")) {
            request.output = next();
        } else if (!std::strcmp(argv[i], "--title")) {
            request.title = next();
        } else if (!std::strcmp(argv[i], "--from")) {
            request.fromText = next();
        } else if (!std::strcmp(argv[i], "--to")) {
            request.toText = next();
        } else if (!std::strcmp(argv[i], "--answer")) {
            answer = next() == "yes" ? MessageAnswer::Yes : MessageAnswer::No;
        } else if (!std::strcmp(argv[i], "--fsize")) {
            const rlim_t limit = static_cast<rlim_t>(next().toLongLong());
            const rlimit rl{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &rl);
        } else {
            const QString path = fromNativePath(QByteArray(argv[i]));
            if (request.kind == ToolKind::RaCut)
                request.source = path;
            else
                request.inputs.append(path);
        }
    }

    QCoreApplication app(argc, argv);
    // The wait window lies beside the programs of the build, not beside this helper.
    if (const QByteArray bin = qgetenv("VELLO_BIN_DIR"); !bin.isEmpty())
        ProgramPaths::overrideProgramFolder(QString::fromLocal8Bit(bin));
    RecordingMessageService messages;
    messages.queueAnswer(answer);
    ScopedMessageService installed(&messages);
    RunGate gate;
    EditRun run(gate);
    EditRun::Outcome outcome = EditRun::Outcome::Refused;
    bool done = false;
    QObject::connect(&run, &EditRun::finished, [&](EditRun::Outcome o) {
        outcome = o;
        done = true;
        QCoreApplication::quit();
    });
    run.start(request);
    if (!done)
        QCoreApplication::exec();

    for (const Message& m : messages.shown()) {
        QString text = m.text;
        text.replace(u'\n', QStringLiteral("\\n"));
        std::printf("%s\t%s\n", iconName(m.icon), text.toUtf8().constData());
    }
    std::printf("outcome\t%s\n", QMetaEnum::fromType<EditRun::Outcome>().valueToKey(int(outcome)));
    return 0;
}
