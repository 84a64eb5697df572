// Runs a program with an argument list and waits for it; never builds a shell command out of file names.
#pragma once

#include <QString>
#include <QStringList>

namespace vello {

/// Set the program and its arguments (each argument is passed to the program as one word, whatever blanks,
/// quotes, "$", ";" or line breaks it holds), then Run. Window thread; Run blocks until the program ends.
class ProcessRunner
{
public:
    void setProgram(const QString& program) { m_program = program; }
    void setArguments(const QStringList& arguments) { m_arguments = arguments; }
    void setWorkingDirectory(const QString& folder) { m_workingDirectory = folder; }

    /// Runs the program and returns when it has finished. showMode is kept for the callers' protocol
    /// (0 = no window of its own). Returns the exit code, or -1 when the program could not be started or
    /// crashed; timeoutMs < 0 waits without limit.
    int Run(int showMode = 0, int timeoutMs = -1);

    /// Starts the program detached and returns at once; true when it was started.
    bool startDetached(qint64* pid = nullptr) const;

    QString errorText() const { return m_errorText; }

private:
    QString m_program;
    QStringList m_arguments;
    QString m_workingDirectory;
    QString m_errorText;
};

} // namespace vello
