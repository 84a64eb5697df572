// Where the update check looks for a newer version: the deployment's FTP server.
#pragma once

#include <QString>

namespace vello {

/// The update server's settings. The build fixes them (CMake cache variables VELLO_UPDATE_HOST, _PORT,
/// _USER, _PASSWORD); the environment variables VELLOPLAYER_UPDATE_HOST, _PORT, _USER and _PASSWORD
/// override them at run time (a variable that is set but empty overrides too; a port that is not a
/// number from 1 to 65535 keeps the built one). An empty user and password log in anonymously.
struct UpdateServer
{
    QString host;
    int port = 21;
    QString user;
    QString password;

    /// The build's values.
    static UpdateServer built();
    /// The build's values with the environment's overrides.
    static UpdateServer configured();
};

} // namespace vello
