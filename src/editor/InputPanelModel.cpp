#include "InputPanelModel.h"

#include "FileLister.h"
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
    QList<int> rows;
    for (int row : selectedRows) {
        if (row >= 0 && row < m_files.size())
            rows.append(row);
    }
    if (rows.isEmpty())
        return false;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    for (int row : rows)
        m_inputs.append(fullPathOf(row));
    if (m_output.isEmpty()) {
        const int proposal = currentRow >= 0 && currentRow < m_files.size() ? currentRow : rows.first();
        setOutputPath(proposeOutput(m_files.at(proposal).name));
    }
    emit inputsChanged();
    return true;
}

QString InputPanelModel::proposeOutput(const QString& name) const
{
    // The output folder setting when it names a folder; else (empty, not a full path) the input's own
    // folder, never the folder the editor was started in.
    const QString folder = m_settings.OutPath.startsWith(u'/') ? m_settings.OutPath : m_folder;
    const QString proposal = joinPath(folder, name);
    const auto isInput = [this](const QString& path) {
        const std::optional<FileIdentity> id = FileIdentity::of(path);
        return std::any_of(m_inputs.cbegin(), m_inputs.cend(), [&](const QString& input) {
            return input == path || (id && FileIdentity::of(input) == id);
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
    QList<int> entries;
    for (int entry : selectedEntries) {
        if (entry >= 0 && entry < m_inputs.size())
            entries.append(entry);
    }
    if (entries.isEmpty())
        return false;
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
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
