#include "FolderHistory.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QSignalSpy>

using namespace vello;

namespace {

class FolderHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Velloplayer", "Velloplayer");
        store.clear();
        store.sync();
    }
    /// Where the history starts with nothing stored: the user's home folder.
    const QString home = QDir(QDir::homePath()).canonicalPath() + u'/';
};

} // namespace

TEST_F(FolderHistoryTest, StartsWithTheHomeFolderAndLoadsDefaults)
{
    FolderHistory history;
    EXPECT_EQ(history.entries(), QStringList(5, home));
    history.load();
    EXPECT_EQ(history.entries(), QStringList(5, home));
    EXPECT_EQ(history.entry(0), QString());
    EXPECT_EQ(history.entry(6), QString());
}

TEST_F(FolderHistoryTest, MostRecentlyPlayedFirst)
{
    FolderHistory history;
    QSignalSpy spy(&history, &FolderHistory::entriesChanged);
    history.recordPlay("/A/");
    history.recordPlay("/B/");
    history.recordPlay("/A/");
    EXPECT_EQ(history.entries(), (QStringList{"/A/", "/B/", home, home, home}));
    history.recordPlay("/A/"); // already first: nothing moves, no signal
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(FolderHistoryTest, KeepsTheLastFiveAndCountsCaseAsDifferent)
{
    FolderHistory history;
    for (const char* folder : {"/1/", "/2/", "/3/", "/4/", "/5/", "/6/"})
        history.recordPlay(folder);
    EXPECT_EQ(history.entries(), (QStringList{"/6/", "/5/", "/4/", "/3/", "/2/"}));
    history.recordPlay("/4/"); // found at 3: moves to the front, the others shift down
    EXPECT_EQ(history.entries(), (QStringList{"/4/", "/6/", "/5/", "/3/", "/2/"}));
    history.recordPlay("/2/"); // found at 5
    EXPECT_EQ(history.entries(), (QStringList{"/2/", "/4/", "/6/", "/5/", "/3/"}));
    history.recordPlay("/music/");
    history.recordPlay("/Music/");
    EXPECT_EQ(history.entries(), (QStringList{"/Music/", "/music/", "/2/", "/4/", "/6/"}));
}

TEST_F(FolderHistoryTest, SurvivesARestart)
{
    {
        FolderHistory history;
        history.recordPlay("/data/clips with blanks/");
        history.recordPlay("/data/引用\"$;/");
        ASSERT_TRUE(history.save());
    }
    FolderHistory restarted;
    restarted.load();
    EXPECT_EQ(restarted.entries(),
              (QStringList{"/data/引用\"$;/", "/data/clips with blanks/", home, home, home}));
}

TEST_F(FolderHistoryTest, ClearSavesAtOnce)
{
    FolderHistory history;
    history.recordPlay("/x/");
    ASSERT_TRUE(history.save());
    history.recordPlay("/y/");
    QSignalSpy spy(&history, &FolderHistory::entriesChanged);
    history.clear();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(history.entries(), QStringList(5, "/"));
    FolderHistory restarted; // no save() after clear()
    restarted.recordPlay("/z/");
    restarted.load();
    EXPECT_EQ(restarted.entries(), QStringList(5, "/"));
}
