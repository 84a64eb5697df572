// Shared pieces of the editor's window tests: null-output engines, a folder of clips made once, waits.
#pragma once

#include "EventLoopWait.h"
#include "MpvSession.h"
#include "TestClips.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

/// Readable QStrings in the tests' failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace EditorTest {

using vello::media::MpvSession;

using TestWait::waitFor;

/// Players that decode without showing or sounding anything.
inline MpvSession::Options nullEngine()
{
    MpvSession::Options o;
    o.videoOutput = QStringLiteral("null");
    o.audioOutput = QStringLiteral("null");
    return o;
}

/// Clips made once per test process (ffmpeg): two RealMedia clips, one MPEG clip and a broken .rm.
class SampleFolder
{
public:
    static const SampleFolder& instance()
    {
        static SampleFolder folder;
        return folder;
    }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    SampleFolder()
    {
        TestClips::makeClip(m_dir.path(), QStringLiteral("a clip.rm"), TestClips::ClipKind::RealMedia, 1.0,
                            QStringLiteral("最初"));
        TestClips::makeClip(m_dir.path(), QStringLiteral("b.rm"), TestClips::ClipKind::RealMedia, 1.0);
        TestClips::makeClip(m_dir.path(), QStringLiteral("c.mpg"), TestClips::ClipKind::Mpeg1, 1.0);
        TestClips::makeTruncatedCopy(m_dir.filePath(QStringLiteral("b.rm")), m_dir.path(),
                                     QStringLiteral("d broken.rm"));
        QDir(m_dir.path()).mkdir(QStringLiteral("sub folder"));
    }
    QTemporaryDir m_dir;
};

} // namespace EditorTest
