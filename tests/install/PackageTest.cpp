// The Debian package: cpack builds it from the build folder; it holds what the install rules name, under
// /usr, and depends on the libraries the programs link.
#include "InstallTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace InstallTest;

namespace {

TEST(Package, CpackBuildsADebWithTheInstalledFilesAndTheirLibraries)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const Finished cpack =
        run(QStringLiteral("cpack"),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(VELLO_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out.path()},
            {}, 240000);
    ASSERT_EQ(cpack.exitCode, 0) << cpack.out.constData() << cpack.err.constData();
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << qPrintable(debs.join(u' '));
    const QString deb = out.filePath(debs.first());
    EXPECT_TRUE(debs.first().startsWith(QStringLiteral("velloplayer_" VELLO_PROJECT_VERSION "_")))
        << qPrintable(debs.first());

    // Its files: exactly those of the install rules, under /usr.
    const Finished contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb}, {});
    ASSERT_EQ(contents.exitCode, 0) << contents.err.constData();
    QSet<QString> packaged;
    for (const QString& line : QString::fromUtf8(contents.out).split(u'\n', Qt::SkipEmptyParts)) {
        // "-rwxr-xr-x root/root 123 2026-01-01 00:00 ./usr/bin/velloplayer"
        if (!line.startsWith(u'-'))
            continue;
        const qsizetype at = line.indexOf(QLatin1String(" ./usr/"));
        ASSERT_GE(at, 0) << qPrintable(line);
        packaged.insert(line.mid(at + 7));
        const bool program = line.contains(QLatin1String(" ./usr/bin/")) ||
                             line.contains(QLatin1String(" ./usr/") + libDir() + u'/');
        EXPECT_EQ(line.startsWith(QLatin1String("-rwxr-xr-x root/root")), program) << qPrintable(line);
        EXPECT_TRUE(program || line.startsWith(QLatin1String("-rw-r--r-- root/root"))) << qPrintable(line);
    }
    QSet<QString> expected;
    for (const QString& file : expectedFiles())
        expected.insert(file);
    EXPECT_EQ(packaged, expected) << "only packaged: "
                                  << qPrintable(QStringList((packaged - expected).values()).join(u' '))
                                  << "\nmissing: "
                                  << qPrintable(QStringList((expected - packaged).values()).join(u' '));

    // Its fields: the libraries from dpkg-shlibdeps and the platform plugins.
    const Finished fields =
        run(QStringLiteral("dpkg-deb"),
            {QStringLiteral("--field"), deb, QStringLiteral("Package"), QStringLiteral("Version"),
             QStringLiteral("Depends"), QStringLiteral("Description")},
            {});
    ASSERT_EQ(fields.exitCode, 0) << fields.err.constData();
    const QString text = QString::fromUtf8(fields.out);
    EXPECT_TRUE(text.contains(QLatin1String("Package: velloplayer\n"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QLatin1String("Version: " VELLO_PROJECT_VERSION "\n"))) << qPrintable(text);
    // The long description: lines of readable length, each continued with a blank, and no list separators
    // of the build system in the text.
    const QString description = text.mid(text.indexOf(QLatin1String("Description: ")));
    EXPECT_TRUE(description.startsWith(QLatin1String("Description: folder media player")))
        << qPrintable(text);
    EXPECT_GE(description.count(QLatin1String("\n ")), 3) << qPrintable(description);
    EXPECT_FALSE(description.contains(u';')) << qPrintable(description);
    for (const QString& line : description.split(u'\n', Qt::SkipEmptyParts))
        EXPECT_LE(line.size(), 90) << qPrintable(line);
    // Each as the start of an entry (the Debian names carry the library's version: libmpv2, libcurl4).
    for (const char* library : {"libc6", "libmpv", "libcurl4", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                                "libx11-6", "qt6-qpa-plugins"})
        EXPECT_TRUE(text.contains(QRegularExpression(
            QStringLiteral("(?:Depends: |, )%1").arg(QRegularExpression::escape(QLatin1String(library))))))
            << library << " missing from " << qPrintable(text);
}

} // namespace
