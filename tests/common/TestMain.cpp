// The entry of every test suite: a private HOME, trash, settings and runtime folder, then an application
// object (a QApplication on the offscreen platform when VELLO_TEST_WIDGETS is defined).
#include <gtest/gtest.h>

#ifdef VELLO_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include "ByteTempDir.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Before the first use of QStandardPaths, QFile::moveToTrash or QSettings: never touch the real home.
    ByteTempDir home(QDir::tempPath() + QStringLiteral("/vello-test-home-XXXXXX"));
    const QByteArray homePath = QFile::encodeName(home.path());
    ::setenv("HOME", homePath.constData(), 1);
    ::setenv("XDG_DATA_HOME", (homePath + "/data").constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (homePath + "/config").constData(), 1);
    ::setenv("XDG_RUNTIME_DIR", homePath.constData(), 1); // the player's single-copy lock
    QDir().mkpath(home.path() + QStringLiteral("/data"));
    QDir().mkpath(home.path() + QStringLiteral("/config"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/config"));

#ifdef VELLO_TEST_WIDGETS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) // also when the test runner lists the tests
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
