// "--help" and "--version" for the programs, in the conventions of command-line tools.
#pragma once

#include <QString>

namespace vello {

/// What one command line asks for besides the program's own work.
enum class InfoRequest
{
    NotAsked,
    Help,
    Version
};

/// "-h" or "--help" alone asks for the help, "--version" alone for the version; any other command line
/// (more words, or none) asks for neither, so a window program given a file still plays it.
InfoRequest infoRequest(int argc, const char* const* argv);

/// Prints the answer on standard output: the help text as it is, or "<program> <version>".
void printInfo(InfoRequest request, const QString& program, const QString& version, const QString& help);

} // namespace vello
