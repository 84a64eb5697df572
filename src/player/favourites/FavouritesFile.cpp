#include "FavouritesFile.h"

#include "Helpers.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"
#include "ProgramPaths.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace vello {

namespace {

/// Longer lines cannot be entries (a path is at most 4096 bytes); they end the load as malformed.
constexpr qint64 MaxLineBytes = 64 * 1024;

/// Byte offset of the last "|" as a Shift-JIS reader sees it: bytes that follow a lead byte are the
/// second half of a character, even when they are 0x7C ("ポ" is 0x83 0x7C). -1 when there is none.
qsizetype lastBarAsShiftJis(const QByteArray& line)
{
    qsizetype found = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line.at(i));
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            ++i; // the trail byte
            continue;
        }
        if (c == '|')
            found = i;
    }
    return found;
}

bool existsNative(const QByteArray& path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0;
}

} // namespace

QString FavouritesStore::defaultFolderName()
{
    return QStringLiteral("ﾌｫﾙﾀﾞ1");
}

QString FavouritesStore::missingFileQuestion(const QString& shownPath)
{
    return QStringLiteral("お気に入りファイル") + shownPath + QStringLiteral("は存在しません。") + u'\r' +
           QStringLiteral("お気に入りから削除してもよろしいですか？");
}

QString FavouritesStore::malformedMessage()
{
    return QStringLiteral("お気に入りデータの形式が不正な為、読み込みできませんでした。");
}

FavouritesStore::FavouritesStore(QString file) : m_file(std::move(file))
{
    if (m_file.isEmpty())
        m_file = ProgramPaths::dataFile(QStringLiteral("Fa.dat"));
}

FavouriteLine FavouritesStore::parseLine(const QByteArray& line)
{
    FavouriteLine result;
    if (line.contains('\0'))
        return result;
    const qsizetype byteBar = line.lastIndexOf('|');
    if (byteBar < 0)
        return result;
    result.valid = true;

    // Where the line may be split: at its last "|" byte, and, for a line that is not UTF-8 (a legacy
    // Shift-JIS line), at the last "|" character, which differs when a character's second byte is 0x7C.
    qsizetype splits[2] = {byteBar, -1};
    if (!isValidUtf8(line)) {
        const qsizetype legacyBar = lastBarAsShiftJis(line);
        if (legacyBar >= 0 && legacyBar != byteBar)
            splits[1] = legacyBar;
    }

    const auto take = [&](qsizetype split, const QString& path, bool exists) {
        result.Path = path;
        result.exists = exists;
        const QByteArray folder = line.mid(split + 1);
        result.FolderName = folder.isEmpty() ? defaultFolderName() : decodeLegacyText(folder);
    };

    // The path's bytes as they are, then the path decoded as CP932.
    for (const qsizetype split : splits) {
        if (split < 0)
            continue;
        const QByteArray path = line.left(split);
        if (existsNative(path)) {
            take(split, fromNativePath(path), true);
            return result;
        }
    }
    for (const qsizetype split : splits) {
        if (split < 0)
            continue;
        const QByteArray path = line.left(split);
        if (isValidUtf8(path))
            continue;
        const QString decoded = decodeLegacyText(path);
        if (!decoded.contains(QChar::ReplacementCharacter) && existsNative(decoded.toUtf8())) {
            take(split, decoded, true);
            return result;
        }
    }
    // No file: the bytes are kept as they are, split as the line's writer most likely meant it.
    const qsizetype split = splits[1] >= 0 ? splits[1] : splits[0];
    take(split, fromNativePath(line.left(split)), false);
    return result;
}

bool FavouritesStore::storablePath(const QString& path)
{
    return !path.contains(u'\n') && !path.contains(u'\r') && !path.contains(QChar(u'\0'));
}

QByteArray FavouritesStore::lineOf(const fa& entry)
{
    if (!storablePath(entry.Path) || !storablePath(entry.FolderName))
        return {};
    return toNativePath(entry.Path) + '|' + entry.FolderName.toUtf8() + "\r\n";
}

FavouritesStore::LoadResult FavouritesStore::LoadFavorites()
{
    m_list.clear();
    const QByteArray native = QFile::encodeName(m_file);
    struct stat st
    {
    };
    if (::lstat(native.constData(), &st) != 0 && errno == ENOENT) {
        qCInfo(lcFavourites) << "no favourites yet: an empty file is made:" << m_file;
        SaveFavorites();
        return LoadResult::Created;
    }

    const auto malformed = [this](const char* why) {
        qCInfo(lcFavourites) << "Fa.dat not read to its end:" << why << m_file;
        m_damaged = true;
        MessageService::critical(malformedMessage());
        return LoadResult::Malformed;
    };

    QFile in(m_file);
    if (!in.open(QIODevice::ReadOnly))
        return malformed("cannot be opened");
    bool first = true;
    while (!in.atEnd()) {
        QByteArray line = in.readLine(MaxLineBytes);
        if (line.isEmpty() && in.error() != QFileDevice::NoError)
            return malformed("read error");
        if (!line.endsWith('\n') && !in.atEnd())
            return malformed("line too long");
        if (first) {
            if (line.startsWith("\xEF\xBB\xBF"))
                line.remove(0, 3);
            first = false;
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const FavouriteLine parsed = parseLine(line);
        if (!parsed.valid)
            return malformed("line without \"|\"");
        if (!parsed.exists &&
            MessageService::question(missingFileQuestion(displayPath(parsed.Path)), /*defaultNo=*/true))
            continue;
        if (!m_list.add(fa{parsed.FolderName, parsed.Path}))
            qCDebug(lcFavourites) << "duplicate favourite dropped:" << displayPath(parsed.Path)
                                  << parsed.FolderName;
    }
    qCInfo(lcFavourites) << m_list.count() << "favourites loaded from" << m_file;
    return LoadResult::Loaded;
}

bool FavouritesStore::keepDamagedFile()
{
    const QByteArray native = QFile::encodeName(m_file);
    struct stat st
    {
    };
    if (::lstat(native.constData(), &st) != 0)
        return errno == ENOENT; // nothing to keep
    if (!S_ISREG(st.st_mode))
        return false; // a folder or device in its place is left alone; the save will fail
    for (int n = 1; n < 1000; ++n) {
        const QString backup = m_file + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        const QByteArray target = QFile::encodeName(backup);
        if (::lstat(target.constData(), &st) == 0 || errno != ENOENT)
            continue;
        if (::rename(native.constData(), target.constData()) != 0) {
            qCInfo(lcError) << "Fa.dat could not be kept aside:" << std::strerror(errno);
            return false;
        }
        qCInfo(lcFavourites) << "the unread Fa.dat was kept as" << backup;
        m_backupFile = backup;
        return true;
    }
    return false;
}

bool FavouritesStore::SaveFavorites()
{
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly)) {
        qCInfo(lcError) << "Fa.dat not saved:" << out.errorString();
        return false;
    }
    for (const fa& entry : m_list.entries()) {
        const QByteArray line = lineOf(entry);
        if (line.isEmpty()) {
            qCInfo(lcError) << "favourite not saved (a line cannot hold its name):"
                            << displayPath(entry.Path);
            continue;
        }
        if (out.write(line) != line.size())
            break;
    }
    if (out.error() != QFileDevice::NoError) {
        qCInfo(lcError) << "Fa.dat not saved:" << out.errorString();
        out.cancelWriting();
        out.commit();
        return false;
    }
    if (m_damaged && !keepDamagedFile()) {
        out.cancelWriting();
        out.commit();
        qCInfo(lcError) << "Fa.dat not saved: the file that could not be read is kept";
        return false;
    }
    if (!out.commit()) {
        qCInfo(lcError) << "Fa.dat not saved:" << out.errorString();
        return false;
    }
    m_damaged = false;
    qCInfo(lcFavourites) << m_list.count() << "favourites saved to" << m_file;
    return true;
}

} // namespace vello
