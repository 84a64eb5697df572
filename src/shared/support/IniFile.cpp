#include "IniFile.h"

#include "Helpers.h"
#include "NativePath.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace vello {

namespace {

struct Line
{
    QByteArray content;    // without the line terminator
    QByteArray terminator; // "\n", "\r\n" or empty for a last line without one
};

std::vector<Line> splitLines(const QByteArray& data)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype nl = data.indexOf('\n', start);
        if (nl < 0) {
            lines.push_back({data.mid(start), {}});
            break;
        }
        qsizetype end = nl;
        QByteArray term("\n");
        if (end > start && data.at(end - 1) == '\r') {
            --end;
            term = "\r\n";
        }
        lines.push_back({data.mid(start, end - start), term});
        start = nl + 1;
    }
    return lines;
}

/// One line read two ways: its bytes without loss (escaped form), and, for a line that is not valid UTF-8,
/// the CP932 decoding older programs wrote.
class DecodedLine
{
public:
    DecodedLine(const QByteArray& bytes, bool first) : m_bytes(bytes)
    {
        if (first && m_bytes.startsWith("\xEF\xBB\xBF"))
            m_bytes.remove(0, 3);
        m_text = fromNativePath(m_bytes);
    }
    /// The line's bytes, escaped where they are not UTF-8.
    const QString& text() const { return m_text; }
    /// Whether the line is not valid UTF-8 (it has a legacy reading).
    bool legacy() const { return hasRawBytes(m_text); }
    /// The CP932 reading of a legacy line; text() for any other line.
    const QString& legacyText() const
    {
        if (!legacy())
            return m_text;
        if (m_legacyText.isNull())
            m_legacyText = decodeLegacyText(m_bytes);
        return m_legacyText;
    }

private:
    QByteArray m_bytes;
    QString m_text;
    mutable QString m_legacyText;
};

bool needsQuotingKey(const QString& key)
{
    if (key.trimmed() != key)
        return true;
    if (key.startsWith(u'[') || key.startsWith(u';') || key.startsWith(u'"') || key.startsWith(u'#'))
        return true;
    for (QChar c : key) {
        if (c == u'=' || c == u'\n' || c == u'\r' || c == u'\0')
            return true;
    }
    return false;
}

bool needsQuotingValue(const QString& value)
{
    if (value.trimmed() != value || value.startsWith(u'"'))
        return true;
    for (QChar c : value) {
        if (c == u'\n' || c == u'\r' || c == u'\0')
            return true;
    }
    return false;
}

QString escapeQuoted(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'=':
            out += QStringLiteral("\\e");
            break;
        case u'\0':
            out += QStringLiteral("\\0");
            break;
        default:
            out += c;
        }
    }
    out += u'"';
    return out;
}

/// Reverses escapeQuoted for a text that starts and ends with a quote; other texts are returned as they are.
QString unquote(const QString& text)
{
    if (text.size() < 2 || !text.startsWith(u'"') || !text.endsWith(u'"'))
        return text;
    const QString inner = text.mid(1, text.size() - 2);
    QString out;
    out.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        const QChar c = inner.at(i);
        if (c != u'\\' || i + 1 >= inner.size()) {
            out += c;
            continue;
        }
        const QChar n = inner.at(++i);
        switch (n.unicode()) {
        case u'\\':
            out += u'\\';
            break;
        case u'"':
            out += u'"';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u'e':
            out += u'=';
            break;
        case u'0':
            out += QChar(u'\0');
            break;
        default:
            out += u'\\';
            out += n;
        }
    }
    return out;
}

struct Parsed
{
    std::vector<Line> lines;
    QByteArray eol = "\n";
};

/// Section name of a header line, or nothing when the line is no header.
std::optional<QString> sectionOf(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

struct KeyLine
{
    QString key;
    QString value;
};

std::optional<KeyLine> keyOf(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#') || t.startsWith(u'['))
        return std::nullopt;
    qsizetype eq = -1;
    if (t.startsWith(u'"')) {
        // A quoted key: the "=" after its closing quote separates it from the value.
        bool escaped = false;
        for (qsizetype i = 1; i < t.size(); ++i) {
            const QChar c = t.at(i);
            if (escaped) {
                escaped = false;
            } else if (c == u'\\') {
                escaped = true;
            } else if (c == u'"') {
                eq = t.indexOf(u'=', i + 1);
                break;
            }
        }
    } else {
        eq = t.indexOf(u'=');
    }
    if (eq < 0)
        return std::nullopt;
    return KeyLine{unquote(t.left(eq).trimmed()), unquote(t.mid(eq + 1).trimmed())};
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

/// Section name of a header line, by its bytes or its legacy reading.
std::optional<QString> sectionMatching(const DecodedLine& line, const QString& wanted)
{
    const auto s = sectionOf(line.text());
    if (!s)
        return std::nullopt;
    if (!sameName(*s, wanted) && line.legacy()) {
        if (const auto legacy = sectionOf(line.legacyText()); legacy && sameName(*legacy, wanted))
            return legacy;
    }
    return s;
}

/// The key line's key and value when its key is wanted (see IniFile::KeyKind).
std::optional<KeyLine> keyMatching(const DecodedLine& line, const QString& wanted, IniFile::KeyKind kind)
{
    const auto k = keyOf(line.text());
    if (!k)
        return std::nullopt;
    if (sameName(k->key, wanted))
        return line.legacy() && kind == IniFile::KeyKind::Text ? keyOf(line.legacyText()) : k;
    if (!line.legacy())
        return std::nullopt;
    auto legacy = keyOf(line.legacyText());
    if (!legacy || !sameName(legacy->key, wanted))
        return std::nullopt;
    if (kind == IniFile::KeyKind::Path) {
        // The line's bytes name a file of their own: it is that file's key, not this one's.
        if (pathExists(k->key) || !pathExists(wanted))
            return std::nullopt;
    }
    return legacy;
}

bool readWhole(const QString& path, QByteArray& data, bool& exists)
{
    QFile f(path);
    exists = f.exists();
    if (!exists) {
        data.clear();
        return true;
    }
    if (!f.open(QIODevice::ReadOnly))
        return false;
    if (f.size() > IniFile::MaxFileSize)
        return false;
    data = f.read(IniFile::MaxFileSize + 1);
    return data.size() <= IniFile::MaxFileSize && f.error() == QFileDevice::NoError;
}

/// An exclusive flock() on a companion lock file, held for the object's lifetime. The kernel releases it
/// when the process dies, so a crashed writer never blocks the others. The lock file itself is kept.
class FileLock
{
public:
    explicit FileLock(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0)
            return;
        int rc;
        do {
            rc = ::flock(m_fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

/// Writes the lines as the whole file: to a temporary file that replaces it when complete.
bool writeLines(const QString& path, const std::vector<Line>& lines)
{
    qsizetype size = 0;
    for (const Line& l : lines)
        size += l.content.size() + l.terminator.size();
    QByteArray out;
    out.reserve(size);
    for (const Line& l : lines) {
        out += l.content;
        out += l.terminator;
    }
    QSaveFile save(path);
    save.setDirectWriteFallback(false);
    if (!save.open(QIODevice::WriteOnly))
        return false;
    if (save.write(out) != out.size()) {
        save.cancelWriting();
        return false;
    }
    return save.commit();
}

} // namespace

QString IniFile::ReadValue(const QString& section, const QString& key, int maxLen) const
{
    if (m_path.isEmpty() || maxLen <= 0)
        return {};
    QByteArray data;
    bool exists = false;
    if (!readWhole(m_path, data, exists) || !exists)
        return {};
    const std::vector<Line> lines = splitLines(data);
    bool inSection = false;
    bool seenSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const DecodedLine line(lines[i].content, i == 0);
        if (auto s = sectionMatching(line, section)) {
            if (seenSection && inSection)
                break; // only the first occurrence of the section counts
            inSection = sameName(*s, section);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection)
            continue;
        if (auto k = keyMatching(line, key, m_keys))
            return k->value.left(maxLen);
    }
    return {};
}

bool IniFile::WriteValue(const QString& section, const QString& key, const QString& text)
{
    if (m_path.isEmpty() || key.isEmpty())
        return false;
    const QString sectionName = section.trimmed();
    if (sectionName.isEmpty() || sectionName.contains(u']') || sectionName.contains(u'\n') ||
        sectionName.contains(u'\r') || sectionName.contains(QChar(u'\0')))
        return false;

    const FileLock lock(m_path + QStringLiteral(".lock"));
    if (!lock.held())
        return false;

    QByteArray data;
    bool exists = false;
    if (!readWhole(m_path, data, exists))
        return false;
    std::vector<Line> lines = splitLines(data);
    QByteArray eol = "\n";
    for (const Line& l : lines) {
        if (!l.terminator.isEmpty()) {
            eol = l.terminator;
            break;
        }
    }

    const QString storedKey = needsQuotingKey(key) ? escapeQuoted(key) : key;
    const QString storedValue = needsQuotingValue(text) ? escapeQuoted(text) : text;
    const QByteArray newLine = toNativePath(storedKey + u'=' + storedValue);

    // Find the first matching section, its matching key line and its last non-blank line.
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastContent = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const DecodedLine line(lines[i].content, i == 0);
        if (auto s = sectionMatching(line, sectionName)) {
            if (sectionLine >= 0)
                break;
            if (sameName(*s, sectionName)) {
                sectionLine = static_cast<qsizetype>(i);
                lastContent = sectionLine;
            }
            continue;
        }
        if (sectionLine < 0)
            continue;
        if (!line.text().trimmed().isEmpty())
            lastContent = static_cast<qsizetype>(i);
        if (keyMatching(line, key, m_keys)) {
            keyLine = static_cast<qsizetype>(i);
            break;
        }
    }

    if (keyLine >= 0) {
        if (lines[static_cast<size_t>(keyLine)].content == newLine)
            return true; // nothing changes
        lines[static_cast<size_t>(keyLine)].content = newLine;
    } else if (sectionLine >= 0) {
        const auto at = static_cast<size_t>(lastContent);
        if (lines[at].terminator.isEmpty())
            lines[at].terminator = eol;
        lines.insert(lines.begin() + static_cast<qsizetype>(at) + 1, Line{newLine, eol});
    } else {
        if (!lines.empty() && lines.back().terminator.isEmpty())
            lines.back().terminator = eol;
        lines.push_back(Line{toNativePath(u'[' + sectionName + u']'), eol});
        lines.push_back(Line{newLine, eol});
    }

    return writeLines(m_path, lines);
}

int IniFile::MovePathKeys(const QString& section, const QString& oldPath, const QString& newPath)
{
    if (m_path.isEmpty() || oldPath.isEmpty() || newPath.isEmpty())
        return 0;
    const FileLock lock(m_path + QStringLiteral(".lock"));
    if (!lock.held())
        return -1;
    QByteArray data;
    bool exists = false;
    if (!readWhole(m_path, data, exists))
        return -1;
    if (!exists)
        return 0;
    std::vector<Line> lines = splitLines(data);

    const QString below = oldPath.endsWith(u'/') ? oldPath : oldPath + u'/';
    const auto movedKey = [&](const QString& key) -> std::optional<QString> {
        if (sameName(key, oldPath) || key.startsWith(below, Qt::CaseInsensitive))
            return newPath + key.mid(oldPath.size());
        return std::nullopt;
    };

    // The key lines of the first matching section: those that move, and all of them by their keys.
    struct Moved
    {
        size_t line;
        QString key;
        QString value;
    };
    std::vector<Moved> moved;
    std::vector<std::pair<size_t, QString>> keyed;
    bool inSection = false;
    bool seenSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const DecodedLine line(lines[i].content, i == 0);
        if (const auto s = sectionMatching(line, section)) {
            if (seenSection && inSection)
                break;
            inSection = sameName(*s, section);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection)
            continue;
        auto k = keyOf(line.text());
        if (!k)
            continue;
        std::optional<QString> to = movedKey(k->key);
        if (!to && line.legacy()) {
            if (auto legacy = keyOf(line.legacyText()); legacy && (to = movedKey(legacy->key)))
                k = legacy;
        }
        if (to)
            moved.push_back(Moved{i, *to, k->value});
        else
            keyed.emplace_back(i, k->key);
    }
    if (moved.empty())
        return 0;

    std::vector<bool> dropped(lines.size(), false);
    for (const Moved& m : moved) {
        for (const auto& [line, key] : keyed) {
            if (sameName(key, m.key))
                dropped[line] = true;
        }
        const QString storedKey = needsQuotingKey(m.key) ? escapeQuoted(m.key) : m.key;
        const QString storedValue = needsQuotingValue(m.value) ? escapeQuoted(m.value) : m.value;
        lines[m.line].content = toNativePath(storedKey + u'=' + storedValue);
    }
    std::vector<Line> kept;
    kept.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!dropped[i])
            kept.push_back(std::move(lines[i]));
    }
    if (!writeLines(m_path, kept))
        return -1;
    return static_cast<int>(moved.size());
}

} // namespace vello
