#include "InputPanelModel.h"

#include "FileLister.h"
#include "Logging.h"
#include "M_MAIN.h"
#include "NativePath.h"
#include "OutputTarget.h"

#include <algorithm>
#include <unistd.h>

namespace vello::editor {

namespace {

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

/// The rows that exist, ascending, each once.
QList<int> validRows(const QList<int>& rows, qsizetype count)
{
    QList<int> out;
    for (int row : rows) {
        if (row >= 0 && row < count)
            out.append(row);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace

InputPanelModel::InputPanelModel(const EditorSettings& settings, ToolKind kind, QObject* parent)
    : QObject(parent), m_settings(settings), m_kind(kind)
{}

void InputPanelModel::setFolder(const QString& folder)
{
    m_folder = folder;
}

void InputPanelModel::FillFileList()
{
    FileLister lister;
    lister.setExtensions(M_MAIN::SplitExtensions(ToolTraits::mask(m_kind, m_settings)));
    lister.setOption(0);
    lister.setFolder(m_folder);

    m_files.clear();
    m_files.reserve(lister.count());
    for (int i = 1; i <= lister.count(); ++i) {
        bool ok = false;
        const qint64 bytes = lister.size(i).toLongLong(&ok);
        m_files.append({lister.name(i), lister.date(i), ok ? sizeText(bytes) : QString()});
    }
    emit filesChanged();
}

QString InputPanelModel::fullPathOf(int row) const
{
    if (row < 0 || row >= m_files.size())
        return {};
    return joinPath(m_folder, m_files.at(row).name);
}

QString InputPanelModel::displayNameOf(int row) const
{
    if (row < 0 || row >= m_files.size())
        return {};
    return displayName(m_files.at(row).name);
}

QString InputPanelModel::sizeText(qint64 bytes)
{
    return QString::number(std::max<qint64>(bytes, 0) / 1024) + QStringLiteral("KB");
}

bool InputPanelModel::add(const QList<int>& selectedRows, int currentRow)
{
    const QList<int> rows = validRows(selectedRows, m_files.size());
    if (rows.isEmpty())
        return false;

    for (int row : rows)
        m_inputs.append(fullPathOf(row));
    if (m_output.isEmpty()) {
        const int proposal = currentRow >= 0 && currentRow < m_files.size() ? currentRow : rows.first();
        setOutputPath(proposeOutput(fullPathOf(proposal)));
    }
    emit inputsChanged();
    return true;
}

QString InputPanelModel::proposeOutput(const QString& input) const
{
    // The output folder setting when it names a folder; else (empty, not a full path) the input's own
    // folder, never the folder the editor was started in.
    const QString name = fileNameOf(input);
    const QString folder =
        m_settings.OutPath.startsWith(u'/') ? m_settings.OutPath : input.left(input.size() - name.size());
    const QString proposal = joinPath(folder, name);
    const auto isInput = [this](const QString& path) {
        const std::optional<FileIdentity> id = FileIdentity::of(path);
        return std::any_of(m_inputs.cbegin(), m_inputs.cend(), [&](const QString& entry) {
            return entry == path || (id && FileIdentity::of(entry) == id);
        });
    };
    if (!isInput(proposal))
        return proposal;
    // A free name beside it: "a1.rm" -> "a1_1.rm", "a1_2.rm", ...
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = joinPath(folder, stem + u'_' + QString::number(n) + suffix);
        if (!isInput(candidate) && ::access(toNativePath(candidate).constData(), F_OK) != 0)
            return candidate;
    }
    return proposal;
}

bool InputPanelModel::remove(const QList<int>& selectedEntries, int currentEntry)
{
    if (currentEntry < 0)
        return false;
    const QList<int> entries = validRows(selectedEntries, m_inputs.size());
    if (entries.isEmpty())
        return false;
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        m_inputs.removeAt(*it);
    emit inputsChanged();
    return true;
}

void InputPanelModel::clearInputs()
{
    if (m_inputs.isEmpty())
        return;
    m_inputs.clear();
    emit inputsChanged();
}

QList<int> InputPanelModel::moveInputs(const QList<int>& selectedEntries, int delta)
{
    const QList<int> rows = validRows(selectedEntries, m_inputs.size());
    if (rows.isEmpty() || delta == 0)
        return rows;
    const int count = int(m_inputs.size());
    QList<bool> selected(count, false);
    for (int row : rows)
        selected[row] = true;
    bool moved = false;
    const auto swapWith = [&](int row, int other) {
        m_inputs.swapItemsAt(row, other);
        std::swap(selected[row], selected[other]);
        moved = true;
    };
    // From the end the entries move toward, so that a run of selected entries moves as one.
    if (delta < 0) {
        for (int row = 1; row < count; ++row) {
            if (selected[row] && !selected[row - 1])
                swapWith(row, row - 1);
        }
    } else {
        for (int row = count - 2; row >= 0; --row) {
            if (selected[row] && !selected[row + 1])
                swapWith(row, row + 1);
        }
    }
    QList<int> now;
    for (int row = 0; row < count; ++row) {
        if (selected[row])
            now.append(row);
    }
    if (moved)
        emit inputsChanged();
    return now;
}

QList<int> InputPanelModel::moveInputsTo(const QList<int>& entries, int before)
{
    const QList<int> rows = validRows(entries, m_inputs.size());
    if (rows.isEmpty())
        return rows;
    before = std::clamp(before, 0, int(m_inputs.size()));
    QStringList moving;
    int at = before;
    for (int row : rows) {
        moving.append(m_inputs.at(row));
        if (row < before)
            --at;
    }
    const QStringList old = m_inputs;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        m_inputs.removeAt(*it);
    for (qsizetype i = 0; i < moving.size(); ++i)
        m_inputs.insert(at + i, moving.at(i));
    QList<int> now;
    for (int i = 0; i < moving.size(); ++i)
        now.append(at + i);
    if (m_inputs != old)
        emit inputsChanged();
    return now;
}

int InputPanelModel::addDropped(const QStringList& paths)
{
    const MaskList mask = M_MAIN::SplitExtensions(ToolTraits::mask(m_kind, m_settings));
    QStringList files;
    for (const QString& path : paths) {
        if (FileLister::matches(fileNameOf(path), mask) && isRegularFile(path))
            files.append(path);
        else
            qCDebug(lcEditor) << "dropped file left out (extension or kind):" << displayPath(path);
    }
    if (files.isEmpty())
        return 0;
    m_inputs.append(files);
    if (m_output.isEmpty())
        setOutputPath(proposeOutput(files.first()));
    emit inputsChanged();
    return int(files.size());
}

QString InputPanelModel::outputText() const
{
    return displayPath(m_output);
}

void InputPanelModel::setOutputPath(const QString& path)
{
    if (path == m_output)
        return;
    m_output = path;
    emit outputChanged();
}

void InputPanelModel::setOutputText(const QString& text)
{
    if (text == outputText())
        return;
    setOutputPath(text);
}

} // namespace vello::editor
