// Event-loop waiting, lazily made clips and signal recording for the adapter tests.
#pragma once

#include "EndReport.h"
#include "EventLoopWait.h"
#include "TestClips.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace MediaTest {

using namespace vello::media;

using TestWait::kTimeoutMs;
using TestWait::settle;
using TestWait::waitFor;

inline void ensureApplication()
{
    TestWait::ensureApplication("test_media");
}

/// Clips made on first use, once per test process.
class Clips
{
public:
    enum Name
    {
        RmVideo,
        RmVideoLong,
        RmAudio,
        MpgVideo,
        MpgVideoLong,
        AsfVideo,
        AsfVideoLong,
        NotMedia,
        Truncated,
        TruncatedRm,
        Missing
    };

    static QString path(Name name)
    {
        static Clips clips;
        return clips.get(name);
    }

private:
    QString get(Name name)
    {
        if (!m_paths.contains(name))
            m_paths.insert(name, make(name));
        return m_paths.value(name);
    }
    QString make(Name name)
    {
        using TestClips::ClipKind;
        const QString d = m_dir.path();
        switch (name) {
        case RmVideo:
            return TestClips::makeClip(d, "video", ClipKind::RealMedia, 1.0, "Clip Title");
        case RmVideoLong:
            return TestClips::makeClip(d, "video-long", ClipKind::RealMedia, 2.0, "Long Clip");
        case RmAudio:
            return TestClips::makeClip(d, "audio", ClipKind::RealMediaAudio, 1.0, "Sound Only");
        case MpgVideo:
            return TestClips::makeClip(d, "video", ClipKind::Mpeg1, 1.0);
        case MpgVideoLong:
            return TestClips::makeClip(d, "video-long", ClipKind::Mpeg1, 2.0);
        case AsfVideo:
            return TestClips::makeClip(d, "video", ClipKind::Asf, 1.0, "Clip Title");
        case AsfVideoLong:
            return TestClips::makeClip(d, "video-long", ClipKind::Asf, 2.0, "Long Clip");
        case NotMedia:
            return TestClips::makeNonMediaFile(d, "notes.rm");
        case Truncated:
            return TestClips::makeTruncatedCopy(get(AsfVideo), d, "cut.asf", 200);
        case TruncatedRm:
            return TestClips::makeTruncatedCopy(get(RmVideo), d, "cut.rm", 200);
        case Missing:
            return d + "/no such clip.rm";
        }
        return {};
    }

    QTemporaryDir m_dir;
    QHash<int, QString> m_paths;
};

/// What an adapter signalled, in order.
struct Recorded
{
    enum Kind
    {
        Opened,
        Ended
    } kind;
    EndReport report; ///< Ended only
    quint64 clip = 0; ///< Opened: the adapter's open load at that time
    double lengthSeconds = 0;
    int width = 0;
    int height = 0;
    QString title;
};

inline int countOf(const QList<Recorded>& log, Recorded::Kind kind)
{
    int n = 0;
    for (const Recorded& r : log)
        n += r.kind == kind ? 1 : 0;
    return n;
}

inline QList<EndReport> reportsOf(const QList<Recorded>& log)
{
    QList<EndReport> reports;
    for (const Recorded& r : log)
        if (r.kind == Recorded::Ended)
            reports.append(r.report);
    return reports;
}

} // namespace MediaTest
