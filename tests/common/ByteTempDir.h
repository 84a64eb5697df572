// A temporary folder whose contents are removed by their bytes: QTemporaryDir alone cannot reach names
// that are not UTF-8 and leaves them (and the folder) behind.
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <ftw.h>

class ByteTempDir final
{
public:
    ByteTempDir() = default;
    /// A folder made from a template such as QDir::tempPath() + "/name-XXXXXX".
    explicit ByteTempDir(const QString& templatePath) : m_dir(templatePath) {}
    ByteTempDir(const ByteTempDir&) = delete;
    ByteTempDir& operator=(const ByteTempDir&) = delete;
    ~ByteTempDir()
    {
        if (!m_dir.isValid())
            return;
        // The folder itself was made by Qt (valid text); only the names inside may be raw bytes.
        ::nftw(
            QFile::encodeName(m_dir.path()).constData(),
            [](const char* path, const struct stat*, int, struct FTW* ftw) {
                if (ftw->level > 0)
                    ::remove(path);
                return 0;
            },
            16, FTW_DEPTH | FTW_PHYS);
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
