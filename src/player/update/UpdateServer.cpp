#include "UpdateServer.h"

#include "UpdateServerConfig.h"

#include <QtGlobal>

namespace vello {

UpdateServer UpdateServer::built()
{
    UpdateServer server;
    server.host = QString::fromUtf8(VELLO_UPDATE_HOST);
    server.port = VELLO_UPDATE_PORT;
    server.user = QString::fromUtf8(VELLO_UPDATE_USER);
    server.password = QString::fromUtf8(VELLO_UPDATE_PASSWORD);
    return server;
}

UpdateServer UpdateServer::configured()
{
    UpdateServer server = built();
    if (qEnvironmentVariableIsSet("VELLOPLAYER_UPDATE_HOST"))
        server.host = qEnvironmentVariable("VELLOPLAYER_UPDATE_HOST");
    if (qEnvironmentVariableIsSet("VELLOPLAYER_UPDATE_PORT")) {
        bool ok = false;
        const int port = qEnvironmentVariable("VELLOPLAYER_UPDATE_PORT").trimmed().toInt(&ok);
        if (ok && port >= 1 && port <= 65535)
            server.port = port;
    }
    if (qEnvironmentVariableIsSet("VELLOPLAYER_UPDATE_USER"))
        server.user = qEnvironmentVariable("VELLOPLAYER_UPDATE_USER");
    if (qEnvironmentVariableIsSet("VELLOPLAYER_UPDATE_PASSWORD"))
        server.password = qEnvironmentVariable("VELLOPLAYER_UPDATE_PASSWORD");
    return server;
}

} // namespace vello
