// The installed copy: what the install rules put where, and the installed programs run from there.
#include "InstallTestSupport.h"
#include "TestClips.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

using namespace InstallTest;

namespace {

TEST(Install, PutsExactlyTheListedFilesUnderThePrefix)
{
    const QSet<QString> installed = filesUnder(prefix());
    QSet<QString> expected;
    for (const QString& file : expectedFiles())
        expected.insert(file);
    EXPECT_EQ(installed, expected) << "only installed: "
                                   << qPrintable(QStringList((installed - expected).values()).join(u' '))
                                   << "\nmissing: "
                                   << qPrintable(QStringList((expected - installed).values()).join(u' '));
    for (const QString& file : expectedFiles()) {
        const bool program = file.startsWith(QLatin1String("bin/")) || file.startsWith(libDir() + u'/');
        EXPECT_EQ(QFileInfo(prefix() + u'/' + file).isExecutable(), program) << qPrintable(file);
    }
}

TEST(Install, EveryProgramAnswersHelpAndVersionWithoutADisplay)
{
    struct Case
    {
        QString file;
        QString name;
        QString helpWord;
    };
    const QList<Case> cases = {
        {QStringLiteral("bin/velloplayer"), QStringLiteral("velloplayer"),
         QStringLiteral("Usage: velloplayer")},
        {libDir() + QStringLiteral("/velloplayer/vellokit"), QStringLiteral("vellokit"),
         QStringLiteral("Usage: vellokit /MERIDANKOS")},
        {QStringLiteral("bin/velloplay"), QStringLiteral("velloplay"), QStringLiteral("FOLDER")},
        {QStringLiteral("bin/rmtool"), QStringLiteral("rmtool"), QStringLiteral("rmtool join OUT")},
    };
    PrivateHome home;
    for (const Case& c : cases) {
        const QString program = prefix() + u'/' + c.file;
        for (const QString& word : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Finished help = run(program, {word}, home.environment());
            EXPECT_EQ(help.exitCode, 0) << qPrintable(c.file + u' ' + word) << help.err.constData();
            EXPECT_TRUE(QString::fromUtf8(help.out).contains(c.helpWord))
                << qPrintable(c.file + u' ' + word) << help.out.constData();
        }
        const Finished version = run(program, {QStringLiteral("--version")}, home.environment());
        EXPECT_EQ(version.exitCode, 0) << qPrintable(c.file);
        EXPECT_EQ(version.out, (c.name + u' ' + QStringLiteral(VELLO_PROJECT_VERSION) + u'\n').toUtf8())
            << qPrintable(c.file);
    }
    // Nothing was written for any of them.
    EXPECT_TRUE(home.isEmpty());
}

/// The "Files:" section of a window program's help: label -> path.
QMap<QString, QString> filesSection(const QByteArray& help)
{
    QMap<QString, QString> files;
    const QString text = QString::fromUtf8(help);
    const qsizetype at = text.indexOf(QLatin1String("\nFiles:\n"));
    if (at < 0)
        return files;
    static const QRegularExpression row(QStringLiteral("^  (\\S+(?: \\S+)*)  +(/.*)$"));
    for (const QString& line : text.mid(at + 8).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = row.match(line);
        if (m.hasMatch())
            files.insert(m.captured(1), m.captured(2));
    }
    return files;
}

TEST(Install, InstalledPlayerFindsTheInstalledEditorAndHelpAndSharesThePerUserSettings)
{
    PrivateHome home;
    const QMap<QString, QString> player = filesSection(
        run(prefix() + QStringLiteral("/bin/velloplayer"), {QStringLiteral("--help")}, home.environment())
            .out);
    const QMap<QString, QString> editor =
        filesSection(run(prefix() + u'/' + libDir() + QStringLiteral("/velloplayer/vellokit"),
                         {QStringLiteral("--help")}, home.environment())
                         .out);
    EXPECT_EQ(player.value(QStringLiteral("editor")),
              prefix() + u'/' + libDir() + QStringLiteral("/velloplayer/vellokit"));
    EXPECT_TRUE(QFileInfo(player.value(QStringLiteral("editor"))).isExecutable());
    EXPECT_EQ(player.value(QStringLiteral("help document")),
              prefix() + QStringLiteral("/share/doc/velloplayer/VELLOPLAYER.html"));
    EXPECT_TRUE(QFileInfo::exists(player.value(QStringLiteral("help document"))));
    // Both installed programs use the one Config.ini of the per-user data folder, although the prefix is
    // writable here.
    const QString config = home.dataHome() + QStringLiteral("/Velloplayer/Config.ini");
    EXPECT_EQ(player.value(QStringLiteral("settings")), config);
    EXPECT_EQ(editor.value(QStringLiteral("settings")), config);
    if (QFileInfo::exists(prefix() + u'/' + libDir() + QStringLiteral("/velloplayer/vellowait"))) {
        EXPECT_EQ(editor.value(QStringLiteral("wait window")),
                  prefix() + u'/' + libDir() + QStringLiteral("/velloplayer/vellowait"));
    }
}

TEST(Install, InstalledPlayerKeepsItsSettingsInThePerUserFolder)
{
    PrivateHome home;
    QProcessEnvironment env = home.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess player;
    player.setProcessEnvironment(env);
    player.start(prefix() + QStringLiteral("/bin/velloplayer"), {});
    ASSERT_TRUE(player.waitForStarted(10000));
    const QString config = home.dataHome() + QStringLiteral("/Velloplayer/Config.ini");
    // The first start writes Config.ini key by key; "MODE" is the last of its keys.
    const bool written = waitForText(config, "MODE=", 30000);
    player.kill();
    player.waitForFinished(5000);
    EXPECT_TRUE(written) << player.readAllStandardError().constData();
    EXPECT_FALSE(QFileInfo::exists(prefix() + QStringLiteral("/bin/Config.ini")));
}

TEST(Install, InstalledTerminalPlayerAndRmtoolWorkOnClips)
{
    if (!TestClips::toolsAvailable())
        GTEST_SKIP() << "ffmpeg/ffprobe not found";
    QTemporaryDir clips;
    ASSERT_FALSE(TestClips::makeClip(clips.path(), QStringLiteral("a.rm"), TestClips::ClipKind::RealMedia,
                                     0.5, QStringLiteral("ライブ"))
                     .isEmpty());
    ASSERT_FALSE(TestClips::makeClip(clips.path(), QStringLiteral("b.mpg"), TestClips::ClipKind::Mpeg1, 0.5)
                     .isEmpty());

    PrivateHome home;
    const Finished play =
        run(prefix() + QStringLiteral("/bin/velloplay"), {clips.path()}, home.environment(), 60000);
    EXPECT_EQ(play.exitCode, 0) << play.err.constData();
    const QString out = QString::fromUtf8(play.out);
    EXPECT_TRUE(out.contains(QLatin1String("a.rm"))) << qPrintable(out);
    EXPECT_TRUE(out.contains(QLatin1String("b.mpg"))) << qPrintable(out);
    EXPECT_FALSE(QFileInfo::exists(prefix() + QStringLiteral("/bin/Config.ini")));

    const Finished info = run(prefix() + QStringLiteral("/bin/rmtool"),
                              {QStringLiteral("info"), clips.filePath("a.rm")}, home.environment());
    EXPECT_EQ(info.exitCode, 0) << info.err.constData();
    EXPECT_TRUE(info.out.contains("title: ライブ")) << info.out.constData();
    const Finished join = run(prefix() + QStringLiteral("/bin/rmtool"),
                              {QStringLiteral("join"), clips.filePath("ab.rm"), clips.filePath("a.rm"),
                               clips.filePath("a.rm"), QStringLiteral("--no-sync")},
                              home.environment());
    EXPECT_EQ(join.exitCode, 0) << join.err.constData();
    EXPECT_GT(TestClips::ffprobeDuration(clips.filePath("ab.rm")), 0.8);
}

TEST(Install, LauncherAndMetadataValidate)
{
    const QString desktop = prefix() + QStringLiteral("/share/applications/velloplayer.desktop");
    const QString metainfo =
        prefix() + QStringLiteral("/share/metainfo/org.velloplayer.velloplayer.metainfo.xml");
    const Finished launcher = run(QStringLiteral("desktop-file-validate"), {desktop}, {});
    ASSERT_NE(launcher.exitCode, -1) << "desktop-file-validate not found (scripts/setup.sh installs it)";
    EXPECT_EQ(launcher.exitCode, 0) << launcher.out.constData() << launcher.err.constData();
    EXPECT_TRUE(launcher.out.trimmed().isEmpty()) << launcher.out.constData(); // not even a hint

    const Finished appstream = run(
        QStringLiteral("appstreamcli"),
        {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"), metainfo}, {});
    ASSERT_NE(appstream.exitCode, -1) << "appstreamcli not found (scripts/setup.sh installs it)";
    EXPECT_EQ(appstream.exitCode, 0) << appstream.out.constData() << appstream.err.constData();

    // The launcher starts the installed player with the file, under the icon the prefix holds, for the
    // types the player plays by default.
    const QByteArray entry = readAll(desktop);
    EXPECT_TRUE(entry.contains("\nExec=velloplayer %f\n"));
    EXPECT_TRUE(entry.contains("\nIcon=velloplayer\n"));
    EXPECT_TRUE(entry.contains("\nCategories=AudioVideo;Player;Video;\n"));
    for (const char* type : {"application/vnd.rn-realmedia;", "audio/vnd.rn-realaudio;", "video/mpeg;",
                             "application/vnd.ms-asf;", "video/x-ms-wmv;"})
        EXPECT_TRUE(entry.contains(type)) << type;
    EXPECT_TRUE(QFileInfo(prefix() + QStringLiteral("/bin/velloplayer")).isExecutable());
    EXPECT_TRUE(
        readAll(metainfo).contains("<launchable type=\"desktop-id\">velloplayer.desktop</launchable>"));
}

} // namespace
