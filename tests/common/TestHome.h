// A private program folder and an empty window-state store for tests of the player's windows and parts.
#pragma once

#include "NativePath.h"
#include "ProgramPaths.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace TestHome {

/// The per-user window-state store of the player, section "CONFIG" (in the private home TestMain set).
class WindowState
{
public:
    WindowState() { m_settings.beginGroup(QStringLiteral("CONFIG")); }
    QSettings* operator->() { return &m_settings; }

    static void clear()
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                    QStringLiteral("Velloplayer"));
        s.clear();
        s.sync();
    }
    static void put(const QString& key, const QString& value) { WindowState()->setValue(key, value); }
    static QString stored(const QString& key) { return WindowState()->value(key).toString(); }

private:
    QSettings m_settings{QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                         QStringLiteral("Velloplayer")};
};

/// For one test: a temporary program folder (Config.ini, VolumeSize.ini, Fa.dat go there) and an empty
/// window-state store. The program folder is restored when it goes.
class ProgramFolder
{
public:
    ProgramFolder()
    {
        vello::ProgramPaths::overrideProgramFolder(m_dir.path());
        WindowState::clear();
    }
    ~ProgramFolder() { vello::ProgramPaths::overrideProgramFolder(QString()); }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    /// Writes a file of the program folder (e.g. Config.ini); false on failure.
    bool write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    /// The bytes of a file of the program folder; empty when it cannot be read.
    QByteArray read(const QString& name) const
    {
        QFile f(filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};

/// A Config.ini for the player's window tests: the three test extensions, titles, sizes and dates listed, no
/// trash, no tip at start, and the start folder of the given kind (2 = the folder given).
inline QByteArray playerConfig(const QString& startFolder, int playMode = 0, int defaultDir = 2)
{
    return "[Play Mode]\nTOPMOST=0\nFIXED RATIO=0\nMODE=" + QByteArray::number(playMode) +
           "\n[File List]\nFILE EXT=rm;mpg;asf\nSEND RECYCLE=0\nFILE TITLE=1\nFILE SIZE=1\nFILE DATETIME=1\n"
           "[Config]\nDEFAULT DIR=" +
           QByteArray::number(defaultDir) + "\nDEFAULT DIR PATH=" + vello::toNativePath(startFolder) +
           "\nPICKUP=1\n[Slide Timer]\nTimer=2\n";
}

} // namespace TestHome
