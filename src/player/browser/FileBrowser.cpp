#include "FileBrowser.h"

#include "BasicRandom.h"
#include "FileLister.h"
#include "Logging.h"
#include "MessageService.h"
#include "NativePath.h"
#include "RealMediaTitle.h"
#include "Trash.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vello {

const QStringList& FileBrowser::columnCaptions()
{
    static const QStringList captions{QStringLiteral("名前"), QStringLiteral("タイトル"),
                                      QStringLiteral("更新日時"), QStringLiteral("サイズ")};
    return captions;
}

int FileBrowser::designColumnWidthTwips(int column)
{
    static constexpr int widths[] = {1764, 1440, 1549, 1000};
    return column >= 0 && column < 4 ? widths[column] : 0;
}

QString FileBrowser::markNotPlayableCaption()
{
    return QStringLiteral("再生不可にする(&C)         Ctrl+C");
}

QString FileBrowser::markPlayableCaption()
{
    return QStringLiteral("再生可能にする(&C)         Ctrl+C");
}

QString FileBrowser::markCaptionFor(bool playable)
{
    return playable ? markNotPlayableCaption() : markPlayableCaption();
}

FileBrowser::FileBrowser(QObject* parent) : QObject(parent) {}

QString FileBrowser::currentFolder() const
{
    return m_folderSource ? m_folderSource() : QString();
}

QString FileBrowser::sizeText(const QString& sizeBytesText)
{
    bool ok = false;
    const qint64 bytes = sizeBytesText.trimmed().toLongLong(&ok);
    if (!ok || bytes < 0)
        return {};
    return QString::number(bytes / 1024) + QStringLiteral("KB");
}

FileListItem FileBrowser::makeItem(const QString& text, const QString& fullPath, const QString& dateText,
                                   const QString& sizeBytesText) const
{
    FileListItem item;
    item.name = text;
    if (m_settings.fileTitle)
        item.title = ReadRealMediaTitle(fullPath);
    if (m_settings.fileDateTime)
        item.dateText = dateText;
    if (m_settings.fileSize)
        item.sizeText = sizeText(sizeBytesText);
    item.playable = true;
    return item;
}

void FileBrowser::FillFileList()
{
    FileLister lister;
    lister.setExtensions(m_settings.extList);
    lister.setOption(0);
    lister.setFolder(currentFolder());
    std::vector<FileListItem> items;
    items.reserve(static_cast<size_t>(lister.count()));
    for (int i = 1; i <= lister.count(); ++i) {
        items.push_back(makeItem(lister.name(i), lister.fullPath(i),
                                 m_settings.fileDateTime ? lister.date(i) : QString(),
                                 m_settings.fileSize ? lister.size(i) : QString()));
    }
    m_list.setItems(std::move(items));
    if (!m_list.isEmpty())
        m_list.select(1);
}

void FileBrowser::FileChange()
{
    if (m_favouritesMode) {
        if (m_favouritesRefresher)
            m_favouritesRefresher();
        return;
    }
    if (m_treeRefresher)
        m_treeRefresher();
    FillFileList();
}

void FileBrowser::SelectRandomItem()
{
    const int n = m_list.count();
    if (n == 0)
        return;
    const double r = BasicRandom::instance().next();
    int index = static_cast<int>(std::floor(r * n)) + 1;
    if (index > n)
        index = n;
    if (index < 1)
        index = 1;
    m_list.select(index);
}

bool FileBrowser::chkExt(const QString& strFileName, const QStringList& aExt)
{
    const qsizetype dot = strFileName.lastIndexOf(u'.');
    const QString ext = dot < 0 ? strFileName : strFileName.mid(dot + 1);
    return aExt.contains(ext, Qt::CaseSensitive);
}

QString FileBrowser::fullPathOf(int index) const
{
    if (index < 1 || index > m_list.count())
        return {};
    const QString text = m_list.name(index);
    if (m_favouritesMode)
        return text;
    QString folder = currentFolder();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + text;
}

void FileBrowser::columnClick(int column)
{
    m_sizeOrderFlag = m_sizeOrderFlag == 0 ? 1 : 0;
    if (column >= 1 && column <= 3) {
        m_list.setSorting(false);
        m_list.setSortKey(column - 1);
        m_list.setSortOrder(m_list.sortOrder() == SortOrder::Ascending ? SortOrder::Descending
                                                                       : SortOrder::Ascending);
        m_list.setSorting(true);
    } else if (column == 4) {
        m_list.sortBySizeOnce(m_sizeOrderFlag == 0 ? SortOrder::Ascending : SortOrder::Descending);
    }
}

void FileBrowser::popChange_Click()
{
    const int index = m_list.selectedIndex();
    if (index == 0)
        return;
    m_list.setPlayable(index, !m_list.isPlayable(index));
}

FileBrowser::DeleteResult FileBrowser::DeleteSelectedFile(const QString& playingFile)
{
    const int position = m_list.selectedIndex();
    if (position == 0)
        return DeleteResult::NothingSelected;
    const QString path = fullPathOf(position);
    if (m_favouritesMode)
        return DeleteResult::FavouritesMode;
    if (!playingFile.isEmpty() && path == playingFile) {
        MessageService::critical(QStringLiteral("再生中のファイルは削除できません"));
        return DeleteResult::Playing;
    }
    if (!MessageService::question(displayPath(path) + QStringLiteral("を削除してもよろしいですか？"), true))
        return DeleteResult::Declined;

    // Give the player a moment to let go of a file it has just closed.
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (m_deleteSettleMs > 0)
        QThread::msleep(static_cast<unsigned long>(m_deleteSettleMs));

    if (m_settings.sendRecycle == 1) {
        if (::unlink(toNativePath(path).constData()) != 0) {
            MessageService::critical(QStringLiteral("ファイルの削除が出来ませんでした。"));
            return DeleteResult::Failed;
        }
    } else if (QString reason; !moveToTrash(path, &reason)) {
        // The file stays where it is: no trash folder could be made or used.
        MessageService::critical(QStringLiteral("ファイルの削除が出来ませんでした。") + u'\n' + reason);
        return DeleteResult::Failed;
    }
    FileChange();
    const int n = m_list.count();
    if (n > 0)
        m_list.select(position < n ? position : n);
    return DeleteResult::Deleted;
}

bool FileBrowser::mayRename(const QString& playingFile) const
{
    if (m_favouritesMode || m_list.selectedIndex() == 0)
        return false;
    if (!playingFile.isEmpty() && selectedFullPath() == playingFile) {
        MessageService::critical(QStringLiteral("再生中のファイルの名前の変更はできません"));
        return false;
    }
    return true;
}

QString FileBrowser::systemErrorText(int errorNumber)
{
    switch (errorNumber) {
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("同じ名前のファイルが既に存在します。");
    case EISDIR:
        return QStringLiteral("同じ名前のフォルダーが既に存在します。");
    case ENOENT:
        return QStringLiteral("指定されたファイルが見つかりません。");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます。");
    case EROFS:
        return QStringLiteral("読み取り専用のドライブには書き込めません。");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("ファイルは別のプロセスが使用中です。");
    case ENOSPC:
        return QStringLiteral("ディスクに十分な空き領域がありません。");
    case EINVAL:
        return QStringLiteral("ファイル名が正しくありません。");
    default:
        return QStringLiteral("ファイル名を変更できませんでした。(エラー %1)").arg(errorNumber);
    }
}

namespace {

/// Renames within the file system without ever replacing an existing file. Returns 0 or an errno value.
int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray src = toNativePath(from);
    const QByteArray dst = toNativePath(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the no-replace flag: check first, then rename.
    struct stat st
    {
    };
    if (::lstat(dst.constData(), &st) == 0)
        return EEXIST;
    if (::rename(src.constData(), dst.constData()) == 0)
        return 0;
    return errno;
}

} // namespace

bool FileBrowser::renameItem(int index, const QString& newText)
{
    if (newText.isNull() || index < 1 || index > m_list.count() || m_favouritesMode)
        return false;
    // The editor starts from the shown name; leaving it unchanged keeps the file's own bytes.
    if (newText == m_list.shownName(index))
        return false;
    if (newText.trimmed().isEmpty()) {
        MessageService::warning(QStringLiteral("ファイル名を入力してください。名前は変更されませんでした。"));
        return false;
    }
    if (newText.contains(u'/') || newText.contains(QChar(u'\0'))) {
        MessageService::warning(
            QStringLiteral("ファイル名に「/」は使えません。名前は変更されませんでした。"));
        return false;
    }
    if (newText == QLatin1String(".") || newText == QLatin1String("..")) {
        MessageService::warning(
            QStringLiteral("「.」と「..」はファイル名に使えません。名前は変更されませんでした。"));
        return false;
    }
    if (!FileLister::matches(newText, m_settings.extList) &&
        !MessageService::question(hiddenExtensionQuestion(newText, m_settings.extList), /*defaultNo=*/true)) {
        emit renameDeclined(index, newText);
        return false;
    }
    const QString oldPath = fullPathOf(index);
    QString folder = currentFolder();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const QString newPath = folder + newText;
    if (const int error = renameNoReplace(oldPath, newPath); error != 0) {
        MessageService::critical(systemErrorText(error));
        return false;
    }
    qCInfo(lcBrowser) << "renamed" << displayPath(oldPath) << "to" << displayPath(newPath);
    m_list.setName(index, newText);
    emit fileRenamed(oldPath, newPath);
    return true;
}

QString FileBrowser::hiddenExtensionQuestion(const QString& newName, const QStringList& extList)
{
    return QStringLiteral("「") + newName + QStringLiteral("」は一覧に表示する拡張子（") +
           extList.join(u';') +
           QStringLiteral("）ではないため、名前を変更するとファイル一覧に表示されなくなります。") + u'\n' +
           QStringLiteral("このまま名前を変更しますか？");
}

} // namespace vello
