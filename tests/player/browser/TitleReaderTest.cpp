#include "RealMediaTitle.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace vello;
using namespace vello::test;

namespace {

struct HeadCase
{
    const char* label;
    QByteArray bytes;
    QString expected;
};

/// "ライブ" in CP932 (not valid UTF-8).
const QByteArray kLiveShiftJis("\x83\x89\x83\x43\x83\x75");

std::vector<HeadCase> headCases()
{
    const QString none = noTitleText();
    const QByteArray title300(300, 'T');
    std::vector<HeadCase> cases{
        {"MarkerAtStart", fileWithChunkAt(1, contChunk("Live 2000")), QStringLiteral("Live 2000")},
        {"MarkerAtLastPosition", fileWithChunkAt(9999, contChunk("Live 2000")), QStringLiteral("Live 2000")},
        {"MarkerOnePastWindow", fileWithChunkAt(10000, contChunk("Live 2000")), none},
        {"TitleCutAt256", fileWithChunkAt(40, contChunk(title300)), QString(256, u'T')},
        {"EmptyTitle", fileWithChunkAt(40, contChunk("")), none},
        {"ShiftJisTitle", fileWithChunkAt(40, contChunk(kLiveShiftJis)), QStringLiteral("ライブ")},
        {"Utf8Title", fileWithChunkAt(40, contChunk("ライブ 2000")), QStringLiteral("ライブ 2000")},
        {"LowerCaseMarker", fileWithChunkAt(40, contChunk("Live", "A", "cont")), none},
        {"NoMarker", QByteArray(20000, 'C'), none},
        {"EmptyFile", QByteArray(), none},
        {"EndsInsideMarker", QByteArray("xxCON"), none},
        {"EndsAfterMarker", QByteArray("xxCONT"), none},
        {"EndsBeforeTitle", QByteArray("CONT\0\0\0\0\0\0\0\0", 12), none},
        {"EndsInsideTitle", QByteArray("CONT\0\0\0\0\0\0\0\x09Live", 16), QStringLiteral("Live")},
        {"FirstMarkerWins", fileWithChunkAt(5, contChunk("One")) + contChunk("Two"), QStringLiteral("One")},
        {"StrayBytesBeforeMarker", QByteArray("CCCOCONCONT\0\0\0\0\0\0\0\0Ok\0", 22), QStringLiteral("Ok")},
    };
    // Author of 256 bytes: its length field starts with 0x01, so the copy runs on into the author text.
    // The copy stops at the second length byte (0x00).
    cases.push_back({"LongAuthorRunsOn", fileWithChunkAt(40, contChunk("Title", QByteArray(256, 'a'))),
                     QStringLiteral("Title") + QChar(0x01)});
    // Author length 0x0201 and a 200-byte title: the 256 bytes end inside the author text.
    const QByteArray chunk = contChunk(QByteArray(200, 'T'), QByteArray(0x0201, 'b'));
    const QString expected = QString(200, u'T') + QChar(0x02) + QChar(0x01) + QString(54, u'b');
    cases.push_back({"LongAuthorLimit256", fileWithChunkAt(40, chunk), expected});
    return cases;
}

class TitleFromHead : public ::testing::TestWithParam<HeadCase>
{
};

} // namespace

TEST_P(TitleFromHead, ReadsTitleByTheByteRules)
{
    const HeadCase& c = GetParam();
    EXPECT_EQ(realMediaTitleFromHead(c.bytes), c.expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clip.rm"));
    ASSERT_TRUE(writeFile(path, c.bytes));
    EXPECT_EQ(ReadRealMediaTitle(path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Bytes, TitleFromHead, ::testing::ValuesIn(headCases()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(TitleReader, ReadsTitlesOfClipsMadeByFfmpeg)
{
    QTemporaryDir dir;
    const QString latin = dir.filePath(QStringLiteral("live.rm"));
    const QString japanese = dir.filePath(QStringLiteral("日本語 名前.rm"));
    ASSERT_TRUE(makeRealMediaClip(latin, QStringLiteral("Live 2000")));
    ASSERT_TRUE(makeRealMediaClip(japanese, QStringLiteral("夏のライブ")));
    EXPECT_EQ(ReadRealMediaTitle(latin), QStringLiteral("Live 2000"));
    EXPECT_EQ(ReadRealMediaTitle(japanese), QStringLiteral("夏のライブ"));
}

TEST(TitleReader, NeverFailsOnFilesItCannotRead)
{
    QTemporaryDir dir;
    EXPECT_EQ(ReadRealMediaTitle(QString()), noTitleText());
    EXPECT_EQ(ReadRealMediaTitle(dir.filePath(QStringLiteral("missing.rm"))), noTitleText());
    EXPECT_EQ(ReadRealMediaTitle(dir.path()), noTitleText()); // a folder

    // A named pipe in place of a file must not block the reader.
    const QString fifo = dir.filePath(QStringLiteral("pipe.rm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(ReadRealMediaTitle(fifo), noTitleText());
}

TEST(TitleReader, ReadsOnlyTheHeadOfALargeFile)
{
    // The title lies in the head; whatever follows (here 64 MiB of zeros, sparse) is never needed.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.rm"));
    ASSERT_TRUE(writeFile(path, fileWithChunkAt(100, contChunk("Big"))));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(64LL * 1024 * 1024));
    file.close();
    EXPECT_EQ(ReadRealMediaTitle(path), QStringLiteral("Big"));
}
