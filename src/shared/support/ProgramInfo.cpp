#include "ProgramInfo.h"

#include <cstdio>
#include <cstring>

namespace vello {

InfoRequest infoRequest(int argc, const char* const* argv)
{
    if (argc != 2 || !argv || !argv[1])
        return InfoRequest::NotAsked;
    const char* word = argv[1];
    if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0)
        return InfoRequest::Help;
    if (std::strcmp(word, "--version") == 0)
        return InfoRequest::Version;
    return InfoRequest::NotAsked;
}

void printInfo(InfoRequest request, const QString& program, const QString& version, const QString& help)
{
    QString text;
    switch (request) {
    case InfoRequest::Help:
        text = help.endsWith(u'\n') ? help : help + u'\n';
        break;
    case InfoRequest::Version:
        text = program + u' ' + version + u'\n';
        break;
    case InfoRequest::NotAsked:
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace vello
