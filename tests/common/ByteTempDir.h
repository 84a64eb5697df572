// A temporary folder whose contents are removed by their bytes: QTemporaryDir alone cannot reach names
// that are not UTF-8 and leaves them (and the folder) behind.
#pragma once

#include "NativePath.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <ftw.h>

class ByteTempDir final
{
public:
    ByteTempDir() = default;
    ByteTempDir(const ByteTempDir&) = delete;
    ByteTempDir& operator=(const ByteTempDir&) = delete;
    ~ByteTempDir()
    {
        if (!m_dir.isValid())
            return;
        ::nftw(
            vello::toNativePath(m_dir.path()).constData(),
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
