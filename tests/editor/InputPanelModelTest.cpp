#include "InputPanelModel.h"

#include "ByteTempDir.h"
#include "EditorTestSupport.h"
#include "NativePath.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

using namespace vello;
using namespace vello::editor;

namespace {

/// Writes a file of `bytes` bytes under a name given as raw bytes; returns its path as kept by the model.
QString makeFile(const QString& dir, const QByteArray& name, qint64 bytes)
{
    const QByteArray native = toNativePath(dir) + "/" + name;
    FILE* f = std::fopen(native.constData(), "wb");
    if (!f)
        return {};
    const QByteArray data(bytes, 'x');
    std::fwrite(data.constData(), 1, size_t(data.size()), f);
    std::fclose(f);
    return fromNativePath(native);
}

class InputPanelModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = {m_dir.path(), m_dir.path(), QStringLiteral("/out folder"), QStringLiteral("rm;ram;ra"),
                      QStringLiteral("mpg")};
    }
    QStringList names(const InputPanelModel& model) const
    {
        QStringList out;
        for (const auto& row : model.files())
            out << row.name;
        return out;
    }

    ByteTempDir m_dir;
    EditorSettings m_settings;
};

} // namespace

TEST_F(InputPanelModelTest, ListsTheMaskedFilesWithSizesInWholeKilobytes)
{
    makeFile(m_dir.path(), "b 1023.rm", 1023);
    makeFile(m_dir.path(), "a 1500.RM", 1500);
    makeFile(m_dir.path(), "c 1000.ram", 1000);
    makeFile(m_dir.path(), "d 2048.ra", 2048);
    makeFile(m_dir.path(), "e.mpg", 10);
    makeFile(m_dir.path(), "noext", 10);
    QDir(m_dir.path()).mkdir("folder.rm");

    InputPanelModel model(m_settings, ToolKind::RaJoin);
    QSignalSpy changed(&model, &InputPanelModel::filesChanged);
    model.setFolder(m_dir.path() + "/");
    model.FillFileList();
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(names(model), (QStringList{"a 1500.RM", "b 1023.rm", "c 1000.ram", "d 2048.ra"}));
    EXPECT_EQ(model.files().at(0).size, "1KB");
    EXPECT_EQ(model.files().at(1).size, "0KB");
    EXPECT_EQ(model.files().at(2).size, "0KB");
    EXPECT_EQ(model.files().at(3).size, "2KB");
    EXPECT_EQ(model.files().at(0).date.size(), 19); // yyyy/MM/dd HH:mm:ss
    EXPECT_EQ(model.fullPathOf(1), m_dir.path() + "/b 1023.rm");
    EXPECT_EQ(model.fullPathOf(4), QString());
    EXPECT_EQ(InputPanelModel::sizeText(5LL * 1024 * 1024 * 1024 + 1), "5242880KB");

    // A changed mask takes effect at the next refill; the MPEG window uses its own mask.
    m_settings.RaMask = QStringLiteral("mpg");
    model.FillFileList();
    EXPECT_EQ(names(model), QStringList{"e.mpg"});
    InputPanelModel mpeg(m_settings, ToolKind::MpgJoin);
    mpeg.setFolder(m_dir.path());
    mpeg.FillFileList();
    EXPECT_EQ(names(mpeg), QStringList{"e.mpg"});
}

TEST_F(InputPanelModelTest, OddMasksAndFoldersGiveShortOrEmptyListsWithoutFailing)
{
    makeFile(m_dir.path(), "clip.rm", 10);
    makeFile(m_dir.path(), "noext", 10);
    InputPanelModel model(m_settings, ToolKind::RaCut);
    model.setFolder(m_dir.path());
    for (const char* mask : {";", ""}) {
        m_settings.RaMask = QString::fromLatin1(mask);
        model.FillFileList();
        EXPECT_EQ(names(model), QStringList{"noext"}) << mask; // an empty entry lists names without extension
    }
    m_settings.RaMask = QStringLiteral("rm");
    for (const QString& folder : {m_dir.filePath("missing"), QString(), m_dir.filePath("clip.rm")}) {
        model.setFolder(folder);
        model.FillFileList();
        EXPECT_TRUE(model.files().isEmpty()) << qPrintable(folder);
    }
}

TEST_F(InputPanelModelTest, HostileNamesAreListedAndKeptAsBytes)
{
    const QList<QByteArray> hostile = {"blank name.rm", "quote'\"s.rm",   "dollar$HOME;semi.rm",
                                       "new\nline.rm",  "ライブ 東京.rm", QByteArray("bad\xff\xfe utf8.rm"),
                                       "-dash.rm"};
    for (const QByteArray& name : hostile)
        ASSERT_FALSE(makeFile(m_dir.path(), name, 2048).isEmpty()) << name.constData();
    InputPanelModel model(m_settings, ToolKind::RaJoin);
    model.setFolder(m_dir.path());
    model.FillFileList();
    ASSERT_EQ(model.files().size(), hostile.size());
    QList<QByteArray> listed;
    for (int row = 0; row < model.files().size(); ++row) {
        const QByteArray path = toNativePath(model.fullPathOf(row));
        EXPECT_EQ(::access(path.constData(), R_OK), 0) << path.constData();
        listed << path.mid(path.lastIndexOf('/') + 1);
        EXPECT_FALSE(model.displayNameOf(row).isEmpty());
    }
    for (const QByteArray& name : hostile)
        EXPECT_TRUE(listed.contains(name)) << name.constData();
}

TEST_F(InputPanelModelTest, AddProposesTheOutputOnceAndKeepsDuplicates)
{
    for (const char* name : {"a.rm", "b.rm", "c.rm", "d.rm"})
        makeFile(m_dir.path(), name, 10);
    InputPanelModel model(m_settings, ToolKind::RaJoin);
    model.setFolder(m_dir.path() + "/");
    model.FillFileList();
    QSignalSpy outputs(&model, &InputPanelModel::outputChanged);

    EXPECT_FALSE(model.add({}, -1)); // nothing selected: nothing happens
    EXPECT_TRUE(model.outputPath().isEmpty());

    // Rows 3 and 1 selected, row 3 current: list order, the current row names the proposal.
    EXPECT_TRUE(model.add({3, 1}, 3));
    EXPECT_EQ(model.outputPath(), "/out folder/d.rm");
    EXPECT_EQ(model.inputs(), (QStringList{m_dir.path() + "/b.rm", m_dir.path() + "/d.rm"}));
    EXPECT_EQ(outputs.count(), 1);

    EXPECT_TRUE(model.add({1}, 1)); // added again; the output stays
    EXPECT_EQ(model.inputs().size(), 3);
    EXPECT_EQ(model.inputs().at(2), m_dir.path() + "/b.rm");
    EXPECT_EQ(model.outputPath(), "/out folder/d.rm");

    model.setOutputText(QString()); // the user empties the box: the next Add proposes again
    model.add({0}, 0);
    EXPECT_EQ(model.outputPath(), "/out folder/a.rm");
    model.setOutputText(QStringLiteral("/typed/x.rm"));
    model.add({2}, 2);
    EXPECT_EQ(model.outputPath(), "/typed/x.rm");

    m_settings.OutPath = QStringLiteral("/");
    model.setOutputText(QString());
    model.add({2}, 2);
    EXPECT_EQ(model.outputPath(), "/c.rm");
}

TEST_F(InputPanelModelTest, TheProposalIsNeverAnInputNorInTheFolderTheEditorWasStartedIn)
{
    makeFile(m_dir.path(), "a1.rm", 10);
    makeFile(m_dir.path(), "a1_1.rm", 10);
    InputPanelModel model(m_settings, ToolKind::RaJoin);
    model.setFolder(m_dir.path() + "/");
    model.FillFileList();
    const int a1 = int(names(model).indexOf("a1.rm"));
    // An empty or relative output folder: the inputs' own folder, where a free name is taken (a1_1.rm
    // exists). The same folder under another name, too; another folder keeps the name.
    for (const char* outPath : {"", "out", "/.", "/sub"}) {
        m_settings.OutPath = outPath[0] == '/' ? m_dir.path() + outPath : QString::fromLatin1(outPath);
        model.setOutputText(QString());
        model.clearInputs();
        model.add({a1}, a1);
        EXPECT_EQ(model.outputPath(), m_dir.path() + (outPath == QLatin1String("/sub") ? "/sub/a1.rm"
                                                      : outPath == QLatin1String("/.") ? "/./a1_2.rm"
                                                                                       : "/a1_2.rm"))
            << outPath;
    }
}

TEST_F(InputPanelModelTest, RemoveTakesEverySelectedEntryWhateverItsPosition)
{
    for (const char* name : {"a.rm", "b.rm"})
        makeFile(m_dir.path(), name, 10);
    InputPanelModel model(m_settings, ToolKind::MpgJoin);
    m_settings.MpgMask = QStringLiteral("rm");
    model.setFolder(m_dir.path());
    model.FillFileList();
    for (int i = 0; i < 4; ++i)
        model.add({0, 1}, 0); // a b a b a b a b
    ASSERT_EQ(model.inputs().size(), 8);

    EXPECT_FALSE(model.remove({1, 4}, -1)); // no current entry: nothing
    EXPECT_EQ(model.inputs().size(), 8);

    EXPECT_TRUE(model.remove({7, 0, 4}, 4)); // three scattered entries
    const QString a = m_dir.path() + "/a.rm";
    const QString b = m_dir.path() + "/b.rm";
    EXPECT_EQ(model.inputs(), (QStringList{b, a, b, b, a}));

    EXPECT_FALSE(model.remove({}, 0));
    EXPECT_FALSE(model.remove({99}, 0));
    model.clearInputs();
    EXPECT_TRUE(model.inputs().isEmpty());
}

TEST_F(InputPanelModelTest, AnOutputWithUndecodableBytesSurvivesUntilTheUserEditsIt)
{
    const QString raw = makeFile(m_dir.path(), QByteArray("out\xff.rm"), 1);
    ASSERT_FALSE(raw.isEmpty());
    InputPanelModel model(m_settings, ToolKind::RaJoin);
    model.setOutputPath(raw);
    const QString shown = model.outputText();
    model.setOutputText(shown); // the box hands back what it shows
    EXPECT_EQ(toNativePath(model.outputPath()), toNativePath(raw));
    model.setOutputText(shown + QStringLiteral("x"));
    EXPECT_EQ(model.outputPath(), shown + QStringLiteral("x"));
}

TEST_F(InputPanelModelTest, TheJoinOrderChangesByStepsAndByDragAndDroppedFilesAreAdded)
{
    for (const char* name : {"a.rm", "b.rm", "c.rm", "d.rm"})
        makeFile(m_dir.path(), name, 10);
    InputPanelModel model(m_settings, ToolKind::RaJoin);
    model.setFolder(m_dir.path());
    model.FillFileList();
    model.add({0, 1, 2, 3}, 0);
    const auto order = [&] {
        QString out;
        for (const QString& path : model.inputs())
            out += fileNameOf(path).at(0);
        return out;
    };
    QSignalSpy changed(&model, &InputPanelModel::inputsChanged);

    EXPECT_EQ(model.moveInputs({2, 1}, -1), (QList<int>{0, 1})); // a run moves as one
    EXPECT_EQ(order(), "bcad");
    EXPECT_EQ(model.moveInputs({0, 1}, -1), (QList<int>{0, 1})); // held at the top
    EXPECT_EQ(model.moveInputs({0, 3}, 1), (QList<int>{1, 3}));  // the last one stays
    EXPECT_EQ(order(), "cbad");
    EXPECT_EQ(changed.count(), 2);

    EXPECT_EQ(model.moveInputsTo({0}, 4), QList<int>{3}); // dragged below the last
    EXPECT_EQ(order(), "badc");
    EXPECT_EQ(model.moveInputsTo({2, 3}, 1), (QList<int>{1, 2}));
    EXPECT_EQ(order(), "bdca");
    EXPECT_EQ(model.moveInputsTo({1}, 2), QList<int>{1}); // dropped where it stands
    EXPECT_EQ(changed.count(), 4);

    // Drops: the window's extensions only, regular files only, in the dropped order.
    const QString upper = makeFile(m_dir.path(), "e.RM", 10);
    makeFile(m_dir.path(), "f.mpg", 10);
    QDir(m_dir.path()).mkdir("g.rm");
    const QStringList dropped = {m_dir.path() + "/f.mpg", upper, m_dir.path() + "/g.rm",
                                 m_dir.path() + "/missing.rm", m_dir.path() + "/a.rm"};
    EXPECT_EQ(model.addDropped(dropped), 2);
    EXPECT_EQ(order(), "bdcaea");
    EXPECT_EQ(model.addDropped({m_dir.path() + "/f.mpg"}), 0);
    EXPECT_EQ(changed.count(), 5);

    InputPanelModel fresh(m_settings, ToolKind::RaJoin); // an empty output is proposed as by Add
    fresh.addDropped({upper});
    EXPECT_EQ(fresh.outputPath(), "/out folder/e.RM");
}
