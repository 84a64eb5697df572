#include "AboutInfo.h"
#include "AsNobody.h"
#include "BasicRandom.h"
#include "MakerInfo.h"
#include "PickupTips.h"
#include "PlayerSettings.h"
#include "ProgramPaths.h"
#include "TestHome.h"

#include <gtest/gtest.h>

#include <QFile>

#include <ostream>
#include <string>

using namespace vello;

struct VersionCase
{
    int major, minor, revision;
    const char* text;
};

void PrintTo(const VersionCase& c, std::ostream* os)
{
    *os << c.text;
}

class VersionText : public ::testing::TestWithParam<VersionCase>
{
};

TEST_P(VersionText, JoinsMinorAndRevisionWithoutASeparator)
{
    const VersionCase& c = GetParam();
    EXPECT_EQ(AboutInfo::versionText(c.major, c.minor, c.revision), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionText,
                         ::testing::Values(VersionCase{1, 0, 0, "Ver 1.00"}, VersionCase{3, 3, 9, "Ver 3.39"},
                                           VersionCase{2, 10, 15, "Ver 2.1015"},
                                           VersionCase{0, 0, 7, "Ver 0.07"},
                                           VersionCase{12, 1, 0, "Ver 12.10"}),
                         [](const auto& info) {
                             const VersionCase& c = info.param;
                             return "v" + std::to_string(c.major) + "_" + std::to_string(c.minor) + "_" +
                                    std::to_string(c.revision);
                         });

TEST(AboutInfo, CaptionAndMakersTexts)
{
    EXPECT_EQ(AboutInfo::caption(), QStringLiteral("Velloplayerのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_TRUE(AboutInfo::versionText().startsWith(QStringLiteral("Ver ")));
    const QStringList description = AboutInfo::description().split(u'\n');
    ASSERT_EQ(description.size(), 4);
    EXPECT_EQ(description[0], maker::productFullName());
    EXPECT_TRUE(description[1].contains(maker::years()));
    EXPECT_TRUE(description[2].isEmpty());
    EXPECT_TRUE(description[3].contains(maker::mailAddress()));
    EXPECT_EQ(AboutInfo::disclaimer().count(u'\n'), 1);
    EXPECT_TRUE(AboutInfo::disclaimer().endsWith(maker::rightsHolder()));
}

TEST(PickupTips, NinthTipIsTheWebAddressInCapitals)
{
    ASSERT_EQ(PickupTips::table().size(), PickupTips::Count);
    EXPECT_EQ(PickupTips::table().at(8), QStringLiteral("HTTPS://VELLOPLAYER.EXAMPLE.ORG/") +
                                             QStringLiteral("　で最新版を入手できます。"));
    EXPECT_EQ(PickupTips::table().at(8).left(maker::webAddress().size()), maker::webAddress().toUpper());
}

// The unseeded generator's first number is 0.7055475: the tips start at 1 + int(13 x 0.7055475) = 10 on every
// start, and the random play mode goes on with the generator's second number.
TEST(PickupTips, StartsFromTheSharedUnseededGeneratorAndWrapsAfterThirteen)
{
    BasicRandom::instance().reset();
    PickupTips tips(BasicRandom::instance());
    EXPECT_EQ(tips.position(), 10);
    BasicRandom fresh;
    const double first = fresh.next();
    EXPECT_EQ(1 + int(13 * first), 10);
    EXPECT_EQ(BasicRandom::instance().next(), fresh.next()); // one sequence for the whole program

    QList<int> seen;
    for (int i = 0; i < PickupTips::Count; ++i) {
        tips.next();
        seen << tips.position();
        EXPECT_EQ(tips.current(), PickupTips::table().at(tips.position() - 1));
    }
    EXPECT_EQ(seen, (QList<int>{11, 12, 13, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

class PickupStore : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path() const { return dir.filePath(QStringLiteral("Config.ini")); }
    void write(const QByteArray& bytes) { ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), bytes)); }
    QByteArray read() const { return dir.read(QStringLiteral("Config.ini")); }

    TestHome::ProgramFolder dir;
    PlayerSettings settings;
};

const QByteArray Stored = "[VELLOKIT]\r\nOUT_PATH=/out\r\n[Config]\r\nDEFAULT DIR=1\r\nPICKUP=0\r\n; end\r\n";

TEST_F(PickupStore, WritesOneAndZeroAndNothingElse)
{
    write(Stored);
    EXPECT_TRUE(PickupTips::savePickup(settings, true));
    EXPECT_EQ(settings.Pickup, 1);
    EXPECT_EQ(read(), QByteArray(Stored).replace("PICKUP=0", "PICKUP=1"));
    EXPECT_TRUE(PickupTips::savePickup(settings, false));
    EXPECT_EQ(settings.Pickup, 0);
    EXPECT_EQ(read(), Stored);
}

TEST_F(PickupStore, ReadOnlyFileKeepsItsValueWhileMemoryTakesTheNewOne)
{
    write(Stored);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::WriteOther | QFileDevice::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadOther));
    const int result = TestUser::runAsNobody([this] {
        if (PickupTips::savePickup(settings, true))
            return 1;
        return settings.Pickup == 1 ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read(), Stored);
}
