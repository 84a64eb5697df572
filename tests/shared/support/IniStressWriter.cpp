// Writes COUNT keys "<prefix>N" into one section of an INI file, one WriteValue per key.
#include "IniFile.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: ini_stress_writer FILE SECTION PREFIX COUNT\n");
        return 2;
    }
    vello::IniFile ini(QString::fromLocal8Bit(argv[1]));
    const QString section = QString::fromLocal8Bit(argv[2]);
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    const int count = std::atoi(argv[4]);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        if (!ini.WriteValue(section, prefix + QString::number(i), QString::number(i * 7)))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
