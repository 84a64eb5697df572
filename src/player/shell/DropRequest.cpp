#include "DropRequest.h"

#include "FileLister.h"
#include "NativePath.h"

namespace vello {

DropRequest DropRequest::fromUriList(const QByteArray& uriList, const QStringList& extensions)
{
    DropRequest request;
    for (const QByteArray& line : uriListLines(uriList)) {
        const QString path = localPathOfUri(line);
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
