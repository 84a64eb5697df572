// Test rig for the playback controller: an application, a folder of generated clips, recorded signals.
#pragma once

#include "ByteTempDir.h"
#include "EventLoopWait.h"
#include "FileBrowser.h"
#include "MessageService.h"
#include "PlaybackController.h"
#include "TestClips.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace PlaybackTest {

using namespace vello;
using vello::media::RA;
using vello::media::WP;

using TestWait::kTimeoutMs;
using TestWait::settle;
using TestWait::waitFor;

inline void ensureApplication()
{
    TestWait::ensureApplication("test_playback");
}

/// Source clips, made once per process and copied under any name.
enum class Source
{
    Rm,
    Mpg,
    Asf,
    RmLong,
    MpgLong,
    NotMedia,
    Truncated
};

inline QString sourceClip(Source source)
{
    static QTemporaryDir dir;
    static QHash<int, QString> made;
    const int key = int(source);
    if (made.contains(key))
        return made.value(key);
    using TestClips::ClipKind;
    QString path;
    switch (source) {
    case Source::Rm:
        path = TestClips::makeClip(dir.path(), "short.rm", ClipKind::RealMedia, 0.6, "Clip Title");
        break;
    case Source::Mpg:
        path = TestClips::makeClip(dir.path(), "short.mpg", ClipKind::Mpeg1, 0.6);
        break;
    case Source::Asf:
        path = TestClips::makeClip(dir.path(), "short.asf", ClipKind::Asf, 0.6, "Asf Title");
        break;
    case Source::RmLong:
        path = TestClips::makeClip(dir.path(), "long.rm", ClipKind::RealMedia, 3.0, "Long Title");
        break;
    case Source::MpgLong:
        path = TestClips::makeClip(dir.path(), "long.mpg", ClipKind::Mpeg1, 3.0);
        break;
    case Source::NotMedia:
        path = TestClips::makeNonMediaFile(dir.path(), "text.txt");
        break;
    case Source::Truncated:
        path = TestClips::makeTruncatedCopy(sourceClip(Source::Asf), dir.path(), "cut.bin", 200);
        break;
    }
    made.insert(key, path);
    return path;
}

/// What the controller signalled, in order.
struct Log
{
    QStringList started; ///< file names (without folder) of clipStarted
    QStringList ended;
    QStringList failed;
    int finished = 0;
};

/// A folder of clips shown in a file browser, played by a controller with null outputs.
class Rig
{
public:
    Rig()
    {
        ensureApplication();
        m_service = std::make_unique<vello::ScopedMessageService>(&messages);
        vello::BrowserSettings settings;
        settings.fileTitle = false;
        settings.fileDateTime = false;
        settings.fileSize = false;
        settings.extList = QStringList{"rm", "mpg", "asf"};
        browser.setSettings(settings);
        const QString folder = m_folder.path() + u'/';
        browser.setFolderSource([folder] { return folder; });
        const MpvSession::Options null{QStringLiteral("null"), QStringLiteral("null"), 0};
        controller = std::make_unique<vello::PlaybackController>(browser, null, null);
        controller->setVolumeFile(m_folder.path() + QStringLiteral("/state/VolumeSize.ini"));
        QDir(m_folder.path()).mkpath(QStringLiteral("state"));
        QObject::connect(controller.get(), &vello::PlaybackController::clipStarted,
                         [this](const QString& file) { log.started << QFileInfo(file).fileName(); });
        QObject::connect(controller.get(), &vello::PlaybackController::clipEnded,
                         [this](const QString& file) { log.ended << QFileInfo(file).fileName(); });
        QObject::connect(controller.get(), &vello::PlaybackController::clipFailed,
                         [this](const QString& file) { log.failed << QFileInfo(file).fileName(); });
        QObject::connect(controller.get(), &vello::PlaybackController::playbackFinished,
                         [this] { ++log.finished; });
    }

    ~Rig()
    {
        controller.reset();
        m_service.reset();
    }

    /// Copies source clips into the folder under the given names and lists the folder (natural order).
    bool addFiles(const QList<std::pair<QString, Source>>& files)
    {
        for (const auto& [name, source] : files) {
            const QString from = sourceClip(source);
            if (from.isEmpty() || !QFile::copy(from, folder() + name))
                return false;
        }
        browser.FillFileList();
        return browser.list().count() == files.size();
    }

    QString folder() const { return m_folder.path() + u'/'; }
    QString volumeFile() const { return controller->volumeFile(); }
    vello::FileList& list() { return browser.list(); }

    bool waitStarted(int count, int timeoutMs = kTimeoutMs)
    {
        return waitFor([&] { return log.started.size() >= count; }, timeoutMs);
    }
    bool waitFinished(int timeoutMs = kTimeoutMs)
    {
        return waitFor([&] { return log.finished > 0; }, timeoutMs);
    }

    vello::RecordingMessageService messages;
    vello::FileBrowser browser;
    std::unique_ptr<vello::PlaybackController> controller;
    Log log;

private:
    ByteTempDir m_folder;
    std::unique_ptr<vello::ScopedMessageService> m_service;
};

} // namespace PlaybackTest
