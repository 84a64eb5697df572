#include "DropRequest.h"

#include "FileLister.h"
#include "NativePath.h"

namespace vello {

QString DropRequest::localPath(const QByteArray& uri)
{
    const QByteArray scheme("file://");
    if (uri.left(scheme.size()).toLower() != scheme)
        return {};
    QByteArray rest = uri.mid(scheme.size());
    // The host part: empty or this machine's "localhost"; a query or fragment is no part of a file name.
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0)
        return {};
    const QByteArray host = rest.left(slash).toLower();
    if (!host.isEmpty() && host != "localhost")
        return {};
    rest = rest.mid(slash);
    if (rest.contains('?') || rest.contains('#'))
        return {};
    const QByteArray bytes = QByteArray::fromPercentEncoding(rest);
    if (bytes.contains('\0'))
        return {};
    return fromNativePath(bytes);
}

DropRequest DropRequest::fromUriList(const QByteArray& uriList, const QStringList& extensions)
{
    DropRequest request;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString path = localPath(line);
        if (request.action != Action::None || path.isEmpty()) {
            request.ignored << (path.isEmpty() ? QString::fromUtf8(line) : displayPath(path));
            continue;
        }
        if (isDirectory(path)) {
            request.action = Action::OpenFolder;
            request.path = path;
        } else if (isRegularFile(path) && FileLister::matches(fileNameOf(path), extensions)) {
            request.action = Action::PlayFile;
            request.path = path;
        } else {
            request.ignored << displayPath(path);
        }
    }
    return request;
}

} // namespace vello
