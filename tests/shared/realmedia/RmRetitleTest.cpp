// Retitling and every write over an existing file: only the title and what moves with it change; links
// are followed, modes kept, files the user may not write refused (run as an unprivileged user).

#include "RmFile.h"
#include "RmLayoutCheck.h"
#include "RmLayouts.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace rmtest;
using rm::RmError;

namespace {

constexpr uid_t Nobody = 65534;

std::string put(const std::string& path, const Bytes& bytes)
{
    writeBytes(path, bytes);
    return path;
}

// A file as another encoder might leave it: a header chunk the engine does not know, a file-info stream
// with a title, timestamps that do not start at 0 and an index after the data.
Bytes richFile()
{
    auto model = parseModel(shiftTimestamps(readBytes(clip(ClipKind::Rv20Ac3, 1000, "Old title", 10)), 5000));
    ModelChunk unknown;
    unknown.id = "XTRA";
    unknown.bytes = {'X', 'T', 'R', 'A', 0, 0, 0, 16, 0, 0, 1, 2, 3, 4, 5, 6};
    model->headers.insert(model->headers.begin() + 1, unknown);
    Bytes bytes =
        withFileInfo(serializeModel(*model), {{"Title", "Old title"}, {"Creation Date", "1/2/2003"}});
    // One index record per video keyframe, pointing at the packets where they lie now.
    model = parseModel(bytes);
    Bytes index = {'I', 'N', 'D', 'X', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    uint32_t records = 0;
    uint32_t number = 0;
    for (const ModelPacket& p : model->packets) {
        if (p.stream != 0) {
            continue;
        }
        if (p.keyframe()) {
            putU16(index, 0);
            putU32(index, p.timestamp);
            putU32(index, static_cast<uint32_t>(p.offset));
            putU32(index, number);
            ++records;
        }
        ++number;
    }
    setU32At(index, 4, static_cast<uint32_t>(index.size()));
    setU32At(index, 10, records);
    const auto indexAt = static_cast<uint32_t>(bytes.size());
    bytes.insert(bytes.end(), index.begin(), index.end());
    setU32At(bytes, model->find("PROP")->offset + 38, indexAt);
    setU32At(bytes, 14, getU32(bytes.data() + 14) + 1);
    return bytes;
}

mode_t modeOf(const std::string& path)
{
    struct stat st
    {
    };
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// Runs rmtool as the unprivileged user.
ProcessResult rmtoolAsNobody(const std::vector<std::string>& args)
{
    std::vector<std::string> command = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                        RM_TOOL_PATH};
    command.insert(command.end(), args.begin(), args.end());
    return run(command);
}

} // namespace

// Only the title and the offsets that move with it change: packets, timestamps, data chunks, the index,
// unknown chunks and the other file-info properties stay as they were.
TEST(RmRetitle, ChangesTheTitleAndNothingElse)
{
    TempDir dir;
    const std::string path = put(dir.file("clip.rm"), richFile());
    const auto before = parseModel(readBytes(path));
    ASSERT_TRUE(before);
    EXPECT_EQ(probeTitle(path), "Old title");
    auto file = rm::OpenRmFile(path, nullptr);
    ASSERT_TRUE(file);
    const std::string title = "新しい題名 (longer than before)";
    file->setTitle(title);
    ASSERT_EQ(file->write(path), 0);
    file.reset();

    const auto after = parseModel(readBytes(path));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->title(), title);
    EXPECT_EQ(probeTitle(path), title); // ffmpeg takes the file-info stream's title over CONT's
    const int64_t delta =
        static_cast<int64_t>(after->dataChunkOffsets[0]) - static_cast<int64_t>(before->dataChunkOffsets[0]);
    EXPECT_EQ(delta, static_cast<int64_t>(title.size() - std::string("Old title").size()) * 2);
    ASSERT_EQ(after->headers.size(), before->headers.size());
    for (size_t i = 0; i < before->headers.size(); ++i) {
        const ModelChunk& a = before->headers[i];
        const ModelChunk& b = after->headers[i];
        EXPECT_EQ(a.id, b.id);
        if (a.id == "XTRA" || (a.id == "MDPR" && parseStream(a).mime != "logical-fileinfo")) {
            EXPECT_EQ(a.bytes, b.bytes) << a.id << " changed";
        }
    }
    const auto info = parseFileInfo(after->streams().back().typeSpecific);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->text("Title"), title);
    EXPECT_EQ(info->text("Creation Date"), "1/2/2003");
    EXPECT_EQ(info->dataOffsets, std::vector<uint32_t>{static_cast<uint32_t>(after->dataChunkOffsets[0])});
    // Packets byte for byte, timestamps not rebased (they start at 5 s).
    ASSERT_EQ(after->packets.size(), before->packets.size());
    for (size_t i = 0; i < before->packets.size(); ++i) {
        const ModelPacket& a = before->packets[i];
        const ModelPacket& b = after->packets[i];
        ASSERT_TRUE(a.timestamp == b.timestamp && a.payload == b.payload && a.flags == b.flags &&
                    a.rule == b.rule)
            << "packet " << i;
    }
    EXPECT_EQ(after->packets.front().timestamp, 5000u);
    // The index moved with the data and still points at keyframe packets.
    ASSERT_EQ(after->trailers.size(), 1u);
    EXPECT_EQ(after->trailers[0].bytes.size(), before->trailers[0].bytes.size());
    const Bytes& prop = after->find("PROP")->bytes;
    EXPECT_EQ(getU32(prop.data() + 38), after->trailers[0].offset);
    EXPECT_EQ(getU32(prop.data() + 42), after->dataChunkOffsets[0]);
    const Bytes& index = after->trailers[0].bytes;
    const uint32_t records = getU32(index.data() + 10);
    ASSERT_GT(records, 1u);
    for (uint32_t i = 0; i < records; ++i) {
        const uint8_t* record = index.data() + 20 + 14 * i;
        const auto it = std::find_if(after->packets.begin(), after->packets.end(),
                                     [&](const ModelPacket& p) { return p.offset == getU32(record + 6); });
        ASSERT_NE(it, after->packets.end()) << "record " << i << " points between packets";
        EXPECT_TRUE(it->keyframe());
        EXPECT_EQ(it->timestamp, getU32(record + 2));
    }
    EXPECT_EQ(decodeErrors(path), "");
}

// A file without a CONT chunk gets one; the header count follows.
TEST(RmRetitle, AddsATitleWhereThereWasNone)
{
    TempDir dir;
    auto model = parseModel(readBytes(clip(ClipKind::Rv10Real144, 1000)));
    ASSERT_TRUE(model);
    std::erase_if(model->headers, [](const ModelChunk& c) { return c.id == "CONT"; });
    const std::string path = put(dir.file("untitled.rm"), serializeModel(*model));
    ProcessResult r = run({RM_TOOL_PATH, "title", path, "Named"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(probeTitle(path), "Named");
    const auto after = parseModel(readBytes(path));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->headerCount, after->headers.size() + 1);
    EXPECT_EQ(decodeErrors(path), "");
}

// Writing through a symbolic link replaces the file it names, which keeps its mode; the link stays.
TEST(RmRetitle, FollowsLinksAndKeepsTheMode)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    const std::string target =
        put(dir.file("real/clip.rm"), readBytes(clip(ClipKind::Rv20Ac3, 1000, "Before")));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink("real/clip.rm", dir.file("link.rm"));
    ProcessResult r = run({RM_TOOL_PATH, "title", dir.file("link.rm"), "After"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.rm")));
    EXPECT_EQ(probeTitle(target), "After");
    EXPECT_EQ(modeOf(target), 0640u);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.file("real"))->path().filename(), "clip.rm");

    // A join written over an existing file keeps that file's mode too.
    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    r = run({RM_TOOL_PATH, "join", dir.file("link.rm"), clip(ClipKind::Rv20Ac3, 1000),
             clip(ClipKind::Rv20Ac3, 1000)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(modeOf(target), 0604u);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.rm")));
}

// Replacing a file is a new file under its name: another hard link keeps the old content. The help says so.
TEST(RmRetitle, HardLinkedTargetIsSplitAndTheHelpSaysSo)
{
    TempDir dir;
    const std::string path = put(dir.file("a.rm"), readBytes(clip(ClipKind::Rv20Ac3, 1000, "Before")));
    std::filesystem::create_hard_link(path, dir.file("b.rm"));
    ASSERT_EQ(run({RM_TOOL_PATH, "title", path, "After"}).exitCode, 0);
    EXPECT_EQ(probeTitle(path), "After");
    EXPECT_EQ(probeTitle(dir.file("b.rm")), "Before");
    const ProcessResult help = run({RM_TOOL_PATH, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("hard link"), std::string::npos) << help.out;
}

struct Permission
{
    const char* name;
    bool ownFile; // the file belongs to the unprivileged user
    mode_t fileMode;
    bool ownFolder; // the folder belongs to the unprivileged user
    int exitCode;
    RmError error;
};

class RmPermissionTest : public ::testing::TestWithParam<Permission>
{
};

// Run as an unprivileged user: a file it may not write is refused and left as it was; so is one in a
// folder it may not write (the replacement could not be made beside it); its own file is retitled.
TEST_P(RmPermissionTest, RetitleAsAnUnprivilegedUser)
{
    const Permission& c = GetParam();
    TempDir top;
    ASSERT_EQ(::chmod(top.path().c_str(), 0755), 0);
    const std::string folder = top.file("folder");
    std::filesystem::create_directory(folder);
    const std::string path = put(folder + "/clip.rm", readBytes(clip(ClipKind::Rv20Ac3, 1000, "Before")));
    ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
    ASSERT_EQ(::chown(path.c_str(), c.ownFile ? Nobody : 0, c.ownFile ? Nobody : 0), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chown(folder.c_str(), c.ownFolder ? Nobody : 0, c.ownFolder ? Nobody : 0), 0);
    const Bytes before = readBytes(path);

    const ProcessResult r = rmtoolAsNobody({"title", path, "After"});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (c.exitCode != 0) {
        EXPECT_NE(r.err.find(rm::RmFile::errorText(static_cast<int>(c.error))), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(path), before);
    } else {
        EXPECT_EQ(probeTitle(path), "After");
        EXPECT_EQ(modeOf(path), c.fileMode);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "a temporary was left";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RmPermissionTest,
    ::testing::Values(Permission{"others_file", false, 0644, true, 1, RmError::TargetReadOnly},
                      Permission{"read_only_own_file", true, 0444, true, 1, RmError::TargetReadOnly},
                      Permission{"folder_not_writable", true, 0666, false, 1, RmError::NoPermission},
                      Permission{"own_file", true, 0600, true, 0, RmError::Ok}),
    [](const auto& info) { return std::string(info.param.name); });
