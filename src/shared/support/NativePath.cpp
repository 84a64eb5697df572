#include "NativePath.h"

#include "Helpers.h"

#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>

namespace vello {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence starting at data[i], or 0 when it is not valid there.
int validSequenceLength(const unsigned char* data, qsizetype i, qsizetype size)
{
    const unsigned char c = data[i];
    if (c < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F; // no UTF-16 surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    if (data[i + 1] < low || data[i + 1] > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (!isContinuation(data[i + k]))
            return 0;
    }
    return length;
}

bool statNative(const QString& path, struct stat& st)
{
    const QByteArray native = toNativePath(path);
    return !native.isEmpty() && ::stat(native.constData(), &st) == 0;
}

} // namespace

QString fromNativePath(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString out;
    out.reserve(size);
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < size) {
        const int length = validSequenceLength(data, i, size);
        if (length > 0) {
            i += length;
            continue;
        }
        if (i > runStart)
            out += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        out += QChar(char16_t(EscapeBase + data[i]));
        ++i;
        runStart = i;
    }
    if (runStart == 0)
        return QString::fromUtf8(bytes);
    if (i > runStart)
        out += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
    return out;
}

QByteArray toNativePath(const QString& path)
{
    if (!hasRawBytes(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path.at(i).unicode();
        if (u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF) {
            out += QStringView(path).mid(runStart, i - runStart).toUtf8();
            out += char(u - EscapeBase);
            runStart = i + 1;
        }
    }
    out += QStringView(path).mid(runStart).toUtf8();
    return out;
}

bool hasRawBytes(const QString& path)
{
    for (const QChar c : path) {
        const char16_t u = c.unicode();
        if (u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF)
            return true;
    }
    return false;
}

QString displayName(const QString& name)
{
    if (!hasRawBytes(name))
        return name;
    return decodeLegacyText(toNativePath(name));
}

QString displayPath(const QString& path)
{
    if (!hasRawBytes(path))
        return path;
    QStringList parts = path.split(u'/');
    for (QString& part : parts)
        part = displayName(part);
    return parts.join(u'/');
}

QStringList nativeArguments(int argc, const char* const* argv)
{
    QStringList out;
    for (int i = 1; i < argc; ++i)
        out.append(fromNativePath(QByteArray(argv[i])));
    return out;
}

bool pathExists(const QString& path)
{
    struct stat st
    {
    };
    return statNative(path, st);
}

bool isRegularFile(const QString& path)
{
    struct stat st
    {
    };
    return statNative(path, st) && S_ISREG(st.st_mode);
}

bool isDirectory(const QString& path)
{
    struct stat st
    {
    };
    return statNative(path, st) && S_ISDIR(st.st_mode);
}

QStringList pathsFromUriList(const QByteArray& uriList)
{
    QStringList paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!line.toLower().startsWith("file:"))
            continue;
        QByteArray rest = line.mid(5);
        if (rest.startsWith("//")) {
            // file://host/path: only this machine's files ("" or "localhost" as the host).
            const qsizetype slash = rest.indexOf('/', 2);
            if (slash < 0)
                continue;
            const QByteArray host = rest.mid(2, slash - 2).toLower();
            if (!host.isEmpty() && host != "localhost")
                continue;
            rest = rest.mid(slash);
        }
        const QByteArray path = QByteArray::fromPercentEncoding(rest);
        if (path.startsWith('/') && !path.contains('\0'))
            paths << fromNativePath(path);
    }
    return paths;
}

QStringList droppedPaths(const QMimeData* data)
{
    if (!data)
        return {};
    const QString uriList = QStringLiteral("text/uri-list");
    if (data->hasFormat(uriList))
        return pathsFromUriList(data->data(uriList));
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << pathsFromUriList(url.toEncoded());
    }
    return paths;
}

QString fileNameOf(const QString& path)
{
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(u'/'))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(u'/');
    return (slash < 0 ? view : view.mid(slash + 1)).toString();
}

QString folderOf(const QString& path)
{
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(u'/'))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return view.left(slash).toString();
}

} // namespace vello
