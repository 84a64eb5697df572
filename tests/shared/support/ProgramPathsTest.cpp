// Where a program finds its companions and documents, and which command lines ask for help or version.
#include "ProgramPaths.h"

#include "ProgramInfo.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace vello;

namespace {

bool touch(const QString& file)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    return f.open(QIODevice::WriteOnly);
}

class ProgramPathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(prefix.isValid());
        bin = prefix.path() + QStringLiteral("/bin");
        QDir().mkpath(bin);
        ProgramPaths::overrideProgramFolder(bin);
    }
    void TearDown() override { ProgramPaths::overrideProgramFolder(QString()); }

    QString installed(const char* relative, const QString& name) const
    {
        return QDir::cleanPath(bin + u'/' + QLatin1String(relative) + u'/' + name);
    }

    QTemporaryDir prefix;
    QString bin;
};

TEST_F(ProgramPathsTest, CompanionsAndDocumentsAreFoundBesideTheProgramFirstThenInTheInstalledFolders)
{
    const QString editor = installed(VELLO_BIN_TO_PKGLIBDIR, QStringLiteral("vellokit"));
    const QString help = installed(VELLO_BIN_TO_DOCDIR, QStringLiteral("VELLOPLAYER.html"));
    // Found nowhere: the place beside the program (starting it fails quietly).
    EXPECT_EQ(ProgramPaths::companionProgram(QStringLiteral("vellokit")), bin + QStringLiteral("/vellokit"));
    EXPECT_EQ(ProgramPaths::documentFile(QStringLiteral("VELLOPLAYER.html")),
              bin + QStringLiteral("/VELLOPLAYER.html"));

    ASSERT_TRUE(touch(editor));
    ASSERT_TRUE(touch(help));
    EXPECT_EQ(ProgramPaths::companionProgram(QStringLiteral("vellokit")), editor);
    EXPECT_EQ(ProgramPaths::documentFile(QStringLiteral("VELLOPLAYER.html")), help);
    EXPECT_TRUE(editor.startsWith(prefix.path() + QStringLiteral("/lib"))) << qPrintable(editor);
    EXPECT_EQ(help, prefix.path() + QStringLiteral("/share/doc/velloplayer/VELLOPLAYER.html"));

    // A copy beside the program (the build tree) comes first.
    ASSERT_TRUE(touch(bin + QStringLiteral("/vellokit")));
    ASSERT_TRUE(touch(bin + QStringLiteral("/VELLOPLAYER.html")));
    EXPECT_EQ(ProgramPaths::companionProgram(QStringLiteral("vellokit")), bin + QStringLiteral("/vellokit"));
    EXPECT_EQ(ProgramPaths::documentFile(QStringLiteral("VELLOPLAYER.html")),
              bin + QStringLiteral("/VELLOPLAYER.html"));
}

TEST_F(ProgramPathsTest, TheBuildTreeIsKnownByItsMark)
{
    EXPECT_FALSE(ProgramPaths::runsFromBuildTree());
    ASSERT_TRUE(touch(bin + u'/' + ProgramPaths::buildTreeMarker()));
    EXPECT_TRUE(ProgramPaths::runsFromBuildTree());
    EXPECT_EQ(ProgramPaths::dataFolder(), bin + u'/');
}

TEST(ProgramPaths, TheTestProgramsRunFromTheBuildTree)
{
    // The build marks its program folders; the tests' own data files stay there.
    EXPECT_TRUE(ProgramPaths::runsFromBuildTree());
    EXPECT_EQ(ProgramPaths::dataFolder(), ProgramPaths::programFolder());
}

TEST(ProgramInfo, OnlyTheSwitchAloneAsksForHelpOrVersion)
{
    struct Case
    {
        std::vector<const char*> argv;
        InfoRequest expected;
    };
    const Case cases[] = {
        {{"p", "--help"}, InfoRequest::Help},          {{"p", "-h"}, InfoRequest::Help},
        {{"p", "--version"}, InfoRequest::Version},    {{"p"}, InfoRequest::NotAsked},
        {{"p", "--help", "x"}, InfoRequest::NotAsked}, {{"p", "/tmp/a.rm"}, InfoRequest::NotAsked},
        {{"p", "--HELP"}, InfoRequest::NotAsked},      {{"p", "-v"}, InfoRequest::NotAsked},
        {{"p", "--version "}, InfoRequest::NotAsked},  {{"p", "/MERIDANKOS"}, InfoRequest::NotAsked},
    };
    for (const Case& c : cases)
        EXPECT_EQ(infoRequest(int(c.argv.size()), c.argv.data()), c.expected) << c.argv.back();
}

} // namespace
