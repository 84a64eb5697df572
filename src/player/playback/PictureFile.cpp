#include "PictureFile.h"

#include "Logging.h"
#include "NativePath.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vello {

namespace {

constexpr qsizetype kMaxNameBytes = 200;

QString reasonFor(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("保存先のフォルダに書き込む権限がありません。");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("保存先のディスクの空き容量が足りません。");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("保存先のフォルダがありません。");
    default:
        return QStringLiteral("書き込みに失敗しました (%1)。")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

PictureFile::Result failure(const QString& path, const QString& reason)
{
    PictureFile::Result result;
    result.path = path;
    result.message =
        QStringLiteral("画像を保存できませんでした。") + u'\n' + displayPath(path) + u'\n' + reason;
    qCInfo(lcError).noquote() << "picture not saved:" << path << reason;
    return result;
}

QByteArray encodePng(const media::RawPicture& picture)
{
    // "bgr0" in memory is what QImage reads as 32-bit 0xffRRGGBB words on this byte order.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "bgr0 pixels are read as little-endian RGB32");
    const QImage image(reinterpret_cast<const uchar*>(picture.pixels.constData()), picture.width,
                       picture.height, picture.stride, QImage::Format_RGB32);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return {};
    return png;
}

/// Writes all bytes to fd and flushes them to the disk; 0 or the errno of the failure.
int writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
    }
    if (::fsync(fd) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

/// name with "-n" before its extension (n >= 2).
QString numbered(const QString& name, int n)
{
    if (n < 2)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) + u'-' + QString::number(n) + name.mid(dot)
                   : name + u'-' + QString::number(n);
}

} // namespace

QString PictureFile::fileName(const QString& clipPath, qint64 positionMs)
{
    QString base = fileNameOf(clipPath);
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    const qint64 ms = qMax<qint64>(0, positionMs);
    const QString position = QStringLiteral("%1-%2-%3.%4")
                                 .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                                 .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(ms % 1000, 3, 10, QLatin1Char('0'));
    const QString tail = u'_' + position + QStringLiteral(".png");
    // Room for the tail, the "-n" of a taken name and the temporary name's additions.
    while (!base.isEmpty() && toNativePath(base + tail).size() > kMaxNameBytes) {
        base.chop(1);
        if (!base.isEmpty() && base.back().isHighSurrogate())
            base.chop(1);
    }
    return base + tail;
}

QString PictureFile::picturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir().mkpath(pictures))
        return QDir::cleanPath(pictures);
    return QDir::homePath();
}

PictureFile::Result PictureFile::save(const media::RawPicture& picture, const QString& folder,
                                      const QString& name)
{
    const QString dir = folder.endsWith(u'/') ? folder : folder + u'/';
    if (!picture.ok)
        return failure(dir + name, QStringLiteral("表示中の画像を取り出せませんでした。"));
    const QByteArray png = encodePng(picture);
    if (png.isEmpty())
        return failure(dir + name, QStringLiteral("画像を PNG 形式にできませんでした。"));

    // A hidden temporary file beside the final one, so the rename stays within the folder.
    QByteArray temporary = toNativePath(dir) + '.' + toNativePath(name) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        const int opened = errno;
        return failure(dir + name, reasonFor(opened));
    }
    ::fchmod(fd, 0644);
    int error = writeAll(fd, png);
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return failure(dir + name, reasonFor(error));
    }

    for (int n = 1; n < 1000; ++n) {
        const QString path = dir + numbered(name, n);
        const QByteArray target = toNativePath(path);
        int renamed =
            ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
        if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without an exclusive rename: an existing name is still never replaced.
            struct stat st;
            if (::lstat(target.constData(), &st) == 0)
                continue;
            renamed = ::rename(temporary.constData(), target.constData());
        }
        if (renamed == 0) {
            Result result;
            result.ok = true;
            result.path = path;
            result.message = QStringLiteral("画像を保存しました。") + u'\n' + displayPath(path);
            return result;
        }
        if (errno != EEXIST) {
            error = errno;
            ::unlink(temporary.constData());
            return failure(path, reasonFor(error));
        }
    }
    ::unlink(temporary.constData());
    return failure(dir + name, reasonFor(EEXIST));
}

} // namespace vello
