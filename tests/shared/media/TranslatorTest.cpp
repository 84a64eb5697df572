// The event translator fed with hand-built libmpv events.
#include "MpvEventTranslator.h"
#include "ObservedProperties.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSet>

#include <deque>
#include <vector>

using namespace vello::media;

namespace {

using namespace MpvEventTranslator;

// Builds events whose data stays valid as long as the builder lives.
class Engine
{
public:
    PlaybackState state;

    Transition feed(const mpv_event& event)
    {
        Transition t = translateEvent(event, state);
        state = t.state;
        return t;
    }
    Transition program(Transition t)
    {
        state = t.state;
        return t;
    }

    Transition loadReply(quint64 serial, qint64 entry, int error = 0)
    {
        auto& cmd = m_commands.emplace_back();
        m_keys.push_back(const_cast<char*>("playlist_entry_id"));
        auto& value = m_nodes.emplace_back();
        value.format = MPV_FORMAT_INT64;
        value.u.int64 = entry;
        auto& list = m_lists.emplace_back();
        list.num = 1;
        list.values = &value;
        list.keys = &m_keys.back();
        cmd.result.format = MPV_FORMAT_NODE_MAP;
        cmd.result.u.list = &list;
        return feed(event(MPV_EVENT_COMMAND_REPLY, error < 0 ? nullptr : &cmd,
                          ReplyTag{ReplyTag::Load, 0, serial}.pack(), error));
    }
    Transition startFile(qint64 entry)
    {
        auto& d = m_starts.emplace_back();
        d.playlist_entry_id = entry;
        return feed(event(MPV_EVENT_START_FILE, &d));
    }
    Transition fileLoaded() { return feed(event(MPV_EVENT_FILE_LOADED, nullptr)); }
    Transition endFile(qint64 entry, mpv_end_file_reason reason, int error = 0, qint64 insertId = 0,
                       int insertCount = 0)
    {
        auto& d = m_ends.emplace_back();
        d.reason = reason;
        d.error = error;
        d.playlist_entry_id = entry;
        d.playlist_insert_id = insertId;
        d.playlist_insert_num_entries = insertCount;
        return feed(event(MPV_EVENT_END_FILE, &d));
    }
    // A property event (change or snapshot reply) for table row `row`.
    Transition property(mpv_event_id id, int row, quint64 tag, mpv_format format, void* data, int error = 0)
    {
        auto& p = m_props.emplace_back();
        p.name = observedProperties()[std::size_t(row)].name;
        p.format = format;
        p.data = data;
        return feed(event(id, &p, tag, error));
    }
    Transition change(const char* name, mpv_format format, void* data)
    {
        const int row = rowOf(name);
        return property(MPV_EVENT_PROPERTY_CHANGE, row, ReplyTag{ReplyTag::Observe, row, 0}.pack(), format,
                        data);
    }
    Transition snapshot(const char* name, quint64 serial, mpv_format format, void* data, int error = 0)
    {
        const int row = rowOf(name);
        return property(MPV_EVENT_GET_PROPERTY_REPLY, row, ReplyTag{ReplyTag::Snapshot, row, serial}.pack(),
                        format, data, error);
    }
    mpv_node* titleMap(const char* key, const char* title)
    {
        auto& value = m_nodes.emplace_back();
        value.format = MPV_FORMAT_STRING;
        value.u.string = const_cast<char*>(title);
        m_keys.push_back(const_cast<char*>(key));
        auto& list = m_lists.emplace_back();
        list.num = 1;
        list.values = &value;
        list.keys = &m_keys.back();
        auto& map = m_nodes.emplace_back();
        map.format = MPV_FORMAT_NODE_MAP;
        map.u.list = &list;
        return &map;
    }

    // Drives load `serial` on entry `entry` up to the opened notification.
    void openClip(quint64 serial, qint64 entry, double duration = 2.5)
    {
        program(beginLoad(state, serial));
        loadReply(serial, entry);
        startFile(entry);
        const Transition loaded = fileLoaded();
        ASSERT_EQ(loaded.readSnapshotFor, serial);
        m_doubles.push_back(duration);
        snapshot("duration", serial, MPV_FORMAT_DOUBLE, &m_doubles.back());
        m_ints.push_back(160);
        snapshot("width", serial, MPV_FORMAT_INT64, &m_ints.back());
        m_ints.push_back(120);
        snapshot("height", serial, MPV_FORMAT_INT64, &m_ints.back());
        const Transition last = snapshot("metadata", serial, MPV_FORMAT_NODE, titleMap("TITLE", "Clip"));
        ASSERT_EQ(last.opened, serial);
    }

    static int rowOf(const char* name)
    {
        const auto table = observedProperties();
        for (std::size_t i = 0; i < table.size(); ++i)
            if (qstrcmp(table[i].name, name) == 0)
                return int(i);
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    static mpv_event event(mpv_event_id id, void* data, quint64 tag = 0, int error = 0)
    {
        mpv_event e{};
        e.event_id = id;
        e.data = data;
        e.reply_userdata = tag;
        e.error = error;
        return e;
    }

private:
    std::deque<mpv_event_command> m_commands;
    std::deque<mpv_event_start_file> m_starts;
    std::deque<mpv_event_end_file> m_ends;
    std::deque<mpv_event_property> m_props;
    std::deque<mpv_node> m_nodes;
    std::deque<mpv_node_list> m_lists;
    std::deque<char*> m_keys;
    std::deque<double> m_doubles;
    std::deque<int64_t> m_ints;
};

bool quiet(const Transition& t)
{
    return !t.opened && !t.ended && !t.readSnapshotFor && !t.stopEngine;
}

TEST(MpvEventTranslator, OpensOnlyAfterEverySnapshotReadAndEndsOnce)
{
    Engine e;
    e.program(beginLoad(e.state, 1));
    EXPECT_TRUE(quiet(e.loadReply(1, 5)));
    EXPECT_TRUE(quiet(e.startFile(5)));
    const Transition loaded = e.fileLoaded();
    EXPECT_EQ(loaded.readSnapshotFor, 1u);
    EXPECT_FALSE(loaded.opened);

    double duration = 2.5;
    int64_t width = 160;
    EXPECT_FALSE(e.snapshot("duration", 1, MPV_FORMAT_DOUBLE, &duration).opened);
    EXPECT_FALSE(e.snapshot("width", 1, MPV_FORMAT_INT64, &width).opened);
    // Unavailable height (sound-only) still counts as answered.
    EXPECT_FALSE(e.snapshot("height", 1, MPV_FORMAT_NONE, nullptr, MPV_ERROR_PROPERTY_UNAVAILABLE).opened);
    const Transition opened = e.snapshot("metadata", 1, MPV_FORMAT_NODE, e.titleMap("Title", "Hello"));
    EXPECT_EQ(opened.opened, 1u);
    EXPECT_EQ(e.state.clip, (ClipInfo{2.5, 160, 0, "Hello"}));

    const Transition end = e.endFile(5, MPV_END_FILE_REASON_EOF);
    EXPECT_EQ(end.ended, (EndReport{EndReport::EndedByItself, 1}));
    EXPECT_EQ(e.state.load.serial, 0u);
    EXPECT_TRUE(quiet(e.endFile(5, MPV_END_FILE_REASON_EOF)));
}

TEST(MpvEventTranslator, ProgramCloseReportsOnceAndTheEnginesLaterEndIsIgnored)
{
    Engine e;
    e.openClip(1, 5);
    const Transition closed = e.program(closeByProgram(e.state));
    EXPECT_EQ(closed.ended, (EndReport{EndReport::ClosedByProgram, 1}));
    EXPECT_FALSE(e.program(closeByProgram(e.state)).ended);

    e.program(beginLoad(e.state, 2));
    EXPECT_TRUE(quiet(e.loadReply(2, 6)));
    // The old entry's end arrives late, even claiming it reached its end.
    EXPECT_TRUE(quiet(e.endFile(5, MPV_END_FILE_REASON_EOF)));
    EXPECT_TRUE(quiet(e.endFile(5, MPV_END_FILE_REASON_STOP)));
    e.startFile(6);
    EXPECT_EQ(e.endFile(6, MPV_END_FILE_REASON_EOF).ended, (EndReport{EndReport::EndedByItself, 2}));
}

TEST(MpvEventTranslator, EntryEventsBeforeTheLoadReplyAreMatchedByEntryId)
{
    Engine e;
    e.openClip(1, 5);
    e.program(closeByProgram(e.state));
    e.program(beginLoad(e.state, 2));
    // Engine events overtake the reply: the old entry stops, the new one fails.
    EXPECT_TRUE(quiet(e.endFile(5, MPV_END_FILE_REASON_STOP)));
    EXPECT_TRUE(quiet(e.startFile(6)));
    EXPECT_TRUE(quiet(e.endFile(6, MPV_END_FILE_REASON_ERROR, MPV_ERROR_UNKNOWN_FORMAT)));
    const Transition reply = e.loadReply(2, 6);
    EXPECT_EQ(reply.ended, (EndReport{EndReport::FailedToOpen, 2}));
    EXPECT_TRUE(e.state.orphans.isEmpty());
}

TEST(MpvEventTranslator, FileLoadedBeforeTheReplyStillLeadsToOpened)
{
    Engine e;
    e.program(beginLoad(e.state, 1));
    e.startFile(3);
    e.fileLoaded();
    const Transition reply = e.loadReply(1, 3);
    EXPECT_EQ(reply.readSnapshotFor, 1u);
}

TEST(MpvEventTranslator, ErrorEndsFailBeforeOpeningAndEndAfterIt)
{
    Engine e;
    e.program(beginLoad(e.state, 1));
    e.loadReply(1, 2);
    e.startFile(2);
    EXPECT_EQ(e.endFile(2, MPV_END_FILE_REASON_ERROR, MPV_ERROR_LOADING_FAILED).ended,
              (EndReport{EndReport::FailedToOpen, 1}));

    // Loaded but not yet opened (snapshot pending): still a failure to open.
    e.program(beginLoad(e.state, 2));
    e.loadReply(2, 3);
    e.startFile(3);
    e.fileLoaded();
    EXPECT_EQ(e.endFile(3, MPV_END_FILE_REASON_ERROR).ended, (EndReport{EndReport::FailedToOpen, 2}));

    e.openClip(3, 4);
    EXPECT_EQ(e.endFile(4, MPV_END_FILE_REASON_ERROR).ended, (EndReport{EndReport::EndedByItself, 3}));
}

TEST(MpvEventTranslator, RefusedLoadCommandFailsToOpen)
{
    Engine e;
    e.program(beginLoad(e.state, 7));
    EXPECT_EQ(e.loadReply(7, 0, MPV_ERROR_INVALID_PARAMETER).ended, (EndReport{EndReport::FailedToOpen, 7}));
    // A stale reply for a closed load changes nothing.
    EXPECT_TRUE(quiet(e.loadReply(7, 9)));
    EXPECT_EQ(e.state.load.serial, 0u);
}

TEST(MpvEventTranslator, NullDataAndUnknownEventsAreIgnored)
{
    Engine e;
    e.openClip(1, 5);
    const PlaybackState before = e.state;
    const quint64 observeTag = ReplyTag{ReplyTag::Observe, 0, 0}.pack();
    const quint64 snapshotTag = ReplyTag{ReplyTag::Snapshot, 0, 1}.pack();
    for (const mpv_event& ev : {
             Engine::event(MPV_EVENT_START_FILE, nullptr), Engine::event(MPV_EVENT_END_FILE, nullptr),
             Engine::event(MPV_EVENT_PROPERTY_CHANGE, nullptr, observeTag),
             Engine::event(MPV_EVENT_GET_PROPERTY_REPLY, nullptr, snapshotTag),
             Engine::event(MPV_EVENT_COMMAND_REPLY, nullptr, 0),
             Engine::event(MPV_EVENT_COMMAND_REPLY, nullptr, 0xdeadbeef00ffULL),
             Engine::event(MPV_EVENT_PROPERTY_CHANGE, nullptr, ReplyTag{ReplyTag::Observe, 200, 0}.pack()),
             Engine::event(MPV_EVENT_LOG_MESSAGE, nullptr), Engine::event(MPV_EVENT_IDLE, nullptr),
             Engine::event(MPV_EVENT_TICK, nullptr),
             Engine::event(mpv_event_id(30), nullptr), // an id this libmpv does not know
         }) {
        EXPECT_TRUE(quiet(e.feed(ev))) << ev.event_id;
    }
    EXPECT_EQ(e.state.load.serial, before.load.serial);
    EXPECT_EQ(e.state.clip, before.clip);
    EXPECT_EQ(e.state.engineEntry, before.engineEntry);
}

TEST(MpvEventTranslator, PropertiesInAnotherFormatAreIgnoredAndUnavailableOnesHandled)
{
    Engine e;
    e.openClip(1, 5);
    int64_t wrong = 99;
    e.change("duration", MPV_FORMAT_INT64, &wrong);
    EXPECT_EQ(e.state.clip.duration, 2.5);
    // Unavailable after opening: the engine tears the clip down; keep its values.
    e.change("width", MPV_FORMAT_NONE, nullptr);
    EXPECT_EQ(e.state.clip.width, 160);
    // Unavailable before opening: reset.
    e.program(closeByProgram(e.state));
    e.program(beginLoad(e.state, 2));
    e.loadReply(2, 6);
    e.startFile(6);
    int64_t width = 320;
    e.change("width", MPV_FORMAT_INT64, &width);
    EXPECT_EQ(e.state.clip.width, 320);
    e.change("width", MPV_FORMAT_NONE, nullptr);
    EXPECT_EQ(e.state.clip.width, 0);
    char* text = const_cast<char*>("yes");
    e.change("pause", MPV_FORMAT_STRING, &text);
    EXPECT_FALSE(e.state.paused);
}

TEST(MpvEventTranslator, ClipPropertiesCountOnlyWhileTheEnginePlaysTheOpenEntry)
{
    Engine e;
    e.openClip(1, 5);
    double pos = 0.7;
    e.change("time-pos", MPV_FORMAT_DOUBLE, &pos);
    EXPECT_EQ(e.state.position, 0.7);

    e.program(closeByProgram(e.state));
    e.program(beginLoad(e.state, 2));
    e.loadReply(2, 6);
    double late = 1.9;
    e.change("time-pos", MPV_FORMAT_DOUBLE, &late); // the old clip, still running
    EXPECT_EQ(e.state.position, 0.0);
    double lateDuration = 9.0;
    e.change("duration", MPV_FORMAT_DOUBLE, &lateDuration);
    EXPECT_EQ(e.state.clip.duration, 0.0);
    double volume = 42;
    e.change("volume", MPV_FORMAT_DOUBLE, &volume); // engine-wide: always
    EXPECT_EQ(e.state.volumePercent, 42.0);
}

TEST(MpvEventTranslator, PositionHoldsTheSeekTargetUntilPlaybackRestarts)
{
    Engine e;
    e.openClip(1, 5);
    e.program(seekRequested(e.state, 1.5));
    EXPECT_EQ(e.state.position, 1.5);
    double stale = 0.2;
    e.change("time-pos", MPV_FORMAT_DOUBLE, &stale);
    EXPECT_EQ(e.state.position, 1.5);
    e.feed(Engine::event(MPV_EVENT_COMMAND_REPLY, nullptr, ReplyTag{ReplyTag::Seek, 0, 0}.pack()));
    e.change("time-pos", MPV_FORMAT_DOUBLE, &stale);
    EXPECT_EQ(e.state.position, 1.5);
    e.feed(Engine::event(MPV_EVENT_PLAYBACK_RESTART, nullptr));
    double fresh = 1.52;
    e.change("time-pos", MPV_FORMAT_DOUBLE, &fresh);
    EXPECT_EQ(e.state.position, 1.52);

    // A refused seek releases the hold at once.
    e.program(seekRequested(e.state, 0.5));
    e.feed(Engine::event(MPV_EVENT_COMMAND_REPLY, nullptr, ReplyTag{ReplyTag::Seek, 0, 0}.pack(),
                         MPV_ERROR_COMMAND));
    e.change("time-pos", MPV_FORMAT_DOUBLE, &fresh);
    EXPECT_EQ(e.state.position, 1.52);
}

TEST(MpvEventTranslator, SnapshotRepliesOfAnotherLoadAreIgnored)
{
    Engine e;
    e.program(beginLoad(e.state, 1));
    e.loadReply(1, 5);
    e.startFile(5);
    e.fileLoaded();
    e.program(closeByProgram(e.state));
    e.program(beginLoad(e.state, 2));
    double duration = 8;
    for (const char* name : {"duration", "width", "height", "metadata"})
        EXPECT_TRUE(quiet(e.snapshot(name, 1, MPV_FORMAT_DOUBLE, &duration)));
    EXPECT_EQ(e.state.clip.duration, 0.0);
}

TEST(MpvEventTranslator, RedirectedLoadFollowsTheInsertedEntryAndStopsTheRest)
{
    Engine e;
    e.program(beginLoad(e.state, 1));
    e.loadReply(1, 5);
    e.startFile(5);
    EXPECT_TRUE(quiet(e.endFile(5, MPV_END_FILE_REASON_REDIRECT, 0, 6, 2)));
    e.startFile(6);
    const Transition end = e.endFile(6, MPV_END_FILE_REASON_EOF);
    EXPECT_EQ(end.ended, (EndReport{EndReport::EndedByItself, 1}));
    EXPECT_TRUE(end.stopEngine);

    e.program(beginLoad(e.state, 2));
    e.loadReply(2, 8);
    EXPECT_EQ(e.endFile(8, MPV_END_FILE_REASON_REDIRECT, 0, 0, 0).ended,
              (EndReport{EndReport::FailedToOpen, 2}));
}

TEST(MpvEventTranslator, EngineShutdownEndsTheOpenLoadOnce)
{
    Engine e;
    e.openClip(1, 5);
    EXPECT_EQ(e.feed(Engine::event(MPV_EVENT_SHUTDOWN, nullptr)).ended,
              (EndReport{EndReport::EndedByItself, 1}));
    EXPECT_TRUE(e.state.engineLost);
    EXPECT_TRUE(quiet(e.feed(Engine::event(MPV_EVENT_SHUTDOWN, nullptr))));
}

TEST(MpvEventTranslator, PauseReportsOlderThanTheProgramsUnansweredPauseWriteAreIgnored)
{
    Engine e;
    e.openClip(1, 7);
    int no = 0;
    int yes = 1;
    // The program paused (its write not answered yet); the engine's report from before the write says
    // it plays: a play command now must still find the clip paused, not load it again.
    e.state.paused = true;
    e.state.pauseWritesInFlight = 1;
    EXPECT_TRUE(quiet(e.change("pause", MPV_FORMAT_FLAG, &no)));
    EXPECT_TRUE(e.state.paused);
    // A reply to another write changes nothing; the pause write's reply ends the wait.
    e.feed(Engine::event(MPV_EVENT_SET_PROPERTY_REPLY, nullptr, ReplyTag{ReplyTag::Other, 0, 0}.pack()));
    EXPECT_EQ(e.state.pauseWritesInFlight, 1);
    e.feed(Engine::event(MPV_EVENT_SET_PROPERTY_REPLY, nullptr, ReplyTag{ReplyTag::PauseWrite, 0, 0}.pack()));
    EXPECT_EQ(e.state.pauseWritesInFlight, 0);
    // From here the engine's reports count, a reply too many included.
    e.change("pause", MPV_FORMAT_FLAG, &yes);
    EXPECT_TRUE(e.state.paused);
    e.feed(Engine::event(MPV_EVENT_SET_PROPERTY_REPLY, nullptr, ReplyTag{ReplyTag::PauseWrite, 0, 0}.pack()));
    EXPECT_EQ(e.state.pauseWritesInFlight, 0);
    e.change("pause", MPV_FORMAT_FLAG, &no);
    EXPECT_FALSE(e.state.paused);
    // A lost engine answers nothing more.
    e.state.pauseWritesInFlight = 2;
    e.feed(Engine::event(MPV_EVENT_SHUTDOWN, nullptr));
    EXPECT_EQ(e.state.pauseWritesInFlight, 0);
}

TEST(ObservedProperties, EveryRowIsHandledInItsOwnFormat)
{
    const auto table = observedProperties();
    QSet<QByteArray> names;
    int snapshots = 0;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const ObservedProperty& p = table[row];
        SCOPED_TRACE(p.name);
        EXPECT_FALSE(names.contains(p.name));
        names.insert(p.name);
        snapshots += p.snapshot ? 1 : 0;
        EXPECT_NE(p.apply, nullptr);
        EXPECT_LT(row, 256u); // rows must fit their reply tag

        // A value of the row's format must reach the state.
        Engine e;
        e.openClip(1, 5);
        e.state.clip = {};
        e.state.position = 0;
        e.state.paused = false;
        e.state.volumePercent = 100;
        e.state.speed = 1;
        const PlaybackState before = e.state;
        double d = 42;
        int64_t i = 42;
        int flag = 1;
        void* data = nullptr;
        switch (p.format) {
        case MPV_FORMAT_DOUBLE:
            data = &d;
            break;
        case MPV_FORMAT_INT64:
            data = &i;
            break;
        case MPV_FORMAT_FLAG:
            data = &flag;
            break;
        case MPV_FORMAT_NODE:
            data = e.titleMap("title", "x");
            break;
        default:
            ADD_FAILURE() << "format without a test value";
        }
        e.change(p.name, p.format, data);
        const bool changed = e.state.clip != before.clip || e.state.position != before.position ||
                             e.state.paused != before.paused ||
                             e.state.volumePercent != before.volumePercent || e.state.speed != before.speed;
        EXPECT_TRUE(changed);
        // And unavailable must be safe.
        e.change(p.name, MPV_FORMAT_NONE, nullptr);
    }
    EXPECT_EQ(snapshots, snapshotPropertyCount());
    for (const char* needed : {"duration", "width", "height", "time-pos", "pause", "volume", "metadata"})
        EXPECT_TRUE(names.contains(needed)) << needed;
}

TEST(MpvEventTranslator, PictureRepliesGiveTheirPixelsOrNothingUsable)
{
    // A 2 x 2 "bgr0" picture as screenshot-raw answers, with rows of 12 bytes.
    QByteArray pixels(24, 'x');
    mpv_byte_array data{pixels.data(), size_t(pixels.size())};
    const char* keys[] = {"w", "h", "stride", "format", "data"};
    mpv_node values[5]{};
    for (int i = 0; i < 3; ++i)
        values[i].format = MPV_FORMAT_INT64;
    values[0].u.int64 = 2;
    values[1].u.int64 = 2;
    values[2].u.int64 = 12;
    values[3].format = MPV_FORMAT_STRING;
    values[3].u.string = const_cast<char*>("bgr0");
    values[4].format = MPV_FORMAT_BYTE_ARRAY;
    values[4].u.ba = &data;
    mpv_node_list map{5, values, const_cast<char**>(keys)};
    mpv_event_command command{};
    command.result.format = MPV_FORMAT_NODE_MAP;
    command.result.u.list = &map;
    const quint64 tag = ReplyTag{ReplyTag::Picture, 0, 9}.pack();

    Engine e;
    const Transition good = e.feed(Engine::event(MPV_EVENT_COMMAND_REPLY, &command, tag));
    ASSERT_TRUE(good.picture);
    EXPECT_TRUE(good.picture->ok);
    EXPECT_EQ(good.picture->request, 9u);
    EXPECT_EQ(good.picture->stride, 12);
    EXPECT_EQ(good.picture->pixels, pixels);
    EXPECT_TRUE(quiet(good));

    const auto usable = [&](const mpv_event& event) {
        const Transition t = e.feed(event);
        return t.picture && t.picture->ok && t.picture->request == 9;
    };
    EXPECT_FALSE(usable(Engine::event(MPV_EVENT_COMMAND_REPLY, nullptr, tag)));
    EXPECT_FALSE(usable(Engine::event(MPV_EVENT_COMMAND_REPLY, &command, tag, MPV_ERROR_COMMAND)));
    data.size = 20; // the last row cut short
    EXPECT_FALSE(usable(Engine::event(MPV_EVENT_COMMAND_REPLY, &command, tag)));
    data.size = 24;
    values[2].u.int64 = 4; // rows narrower than their pixels
    EXPECT_FALSE(usable(Engine::event(MPV_EVENT_COMMAND_REPLY, &command, tag)));
    values[2].u.int64 = 12;
    values[3].u.string = const_cast<char*>("rgba");
    EXPECT_FALSE(usable(Engine::event(MPV_EVENT_COMMAND_REPLY, &command, tag)));
}

TEST(ReplyTag, PacksAndUnpacks)
{
    const ReplyTag tag{ReplyTag::Snapshot, 3, 123456789};
    const auto back = ReplyTag::unpack(tag.pack());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, ReplyTag::Snapshot);
    EXPECT_EQ(back->row, 3);
    EXPECT_EQ(back->serial, 123456789u);
    EXPECT_FALSE(ReplyTag::unpack(0));
    EXPECT_FALSE(ReplyTag::unpack(0x77));
}

} // namespace
