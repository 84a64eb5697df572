#include "FavouriteFolders.h"

namespace vello::FavouriteFolders {

QString rootText()
{
    return QStringLiteral("Favorites");
}

QString rootTag()
{
    return QStringLiteral("ROOT");
}

QStringList folderNodes(const FaList& list)
{
    QStringList nodes;
    for (const fa& e : list.entries()) {
        if (e.FolderName.compare(rootText(), Qt::CaseInsensitive) == 0 ||
            nodes.contains(e.FolderName, Qt::CaseInsensitive))
            continue;
        nodes << e.FolderName;
    }
    if (nodes.isEmpty())
        nodes << QStringLiteral("ﾌｫﾙﾀﾞ1");
    return nodes;
}

QString nameRefusal(const QString& name)
{
    if (name.contains(u'|'))
        return QStringLiteral("フォルダ名に「|」は使えません。フォルダ名は変更されませんでした。");
    for (const QChar c : name) {
        if (c == u'\n' || c == u'\r' || c == QChar(u'\0'))
            return QStringLiteral("フォルダ名に改行は使えません。フォルダ名は変更されませんでした。");
    }
    return {};
}

QString chooserNameRefusal(const QString& name)
{
    if (name.contains(u'|'))
        return QStringLiteral("フォルダ名に「|」は使えません。別の名前を入力してください。");
    for (const QChar c : name) {
        if (c == u'\n' || c == u'\r' || c == QChar(u'\0'))
            return QStringLiteral("フォルダ名に改行は使えません。別の名前を入力してください。");
    }
    if (name.compare(rootText(), Qt::CaseInsensitive) == 0)
        return QStringLiteral("「Favorites」はフォルダ名に使えません。別の名前を入力してください。");
    return {};
}

QStringList chooserItems(const FaList& list)
{
    QStringList items;
    for (const fa& e : list.entries()) {
        if (!items.contains(e.FolderName, Qt::CaseSensitive))
            items << e.FolderName;
    }
    return items;
}

QString chosenFolder(const QString& typed, const QStringList& items)
{
    if (items.contains(typed, Qt::CaseSensitive))
        return typed;
    for (const QString& item : items) {
        if (item.compare(typed, Qt::CaseInsensitive) == 0)
            return item;
    }
    return typed;
}

} // namespace vello::FavouriteFolders
