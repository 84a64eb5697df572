// The wait window's window: the message of the run and a progress bar.
#pragma once

#include <QByteArray>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace vello::editor {

/// Shows the message (line ends "\r\n" or "\n") and a progress bar that is busy until the first
/// percentage arrives. Progress comes as lines: a line holding a whole number 0-100 sets the bar; other
/// lines are ignored. The user cannot close the window while input may still come (the editor ends it).
/// Window thread only.
class WaitDialog final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaitDialog)

public:
    explicit WaitDialog(const QString& message, QWidget* parent = nullptr);

    QString messageText() const;
    /// -1 while busy (no percentage yet), else the percentage shown.
    int percent() const;

    /// Takes bytes of the input; complete lines are acted on, a partial line waits for its end.
    void takeInput(const QByteArray& bytes);
    /// The input has ended: the window may close now (and closes).
    void inputEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void takeLine(const QByteArray& line);

    QLabel* m_message = nullptr;
    QProgressBar* m_bar = nullptr;
    QByteArray m_pending;
    bool m_mayClose = false;
};

} // namespace vello::editor
