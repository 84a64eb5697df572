// The wait window's window: the message of the run and a progress bar.
#pragma once

#include <QByteArray>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace vello::editor {

/// Shows the message (line ends "\r\n" or "\n") and a progress bar that is busy until the first
/// percentage arrives. Progress comes as lines: a line holding a whole number 0-100 sets the bar; other
/// lines are ignored. While input may still come, the close button asks whether to stop the run (through
/// MessageService); on Yes stopRequested() follows and the window waits for the editor to end it.
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
    /// Keeps the window above the window with this native id (another program's); 0 does nothing.
    void setOwnerWindow(quintptr owner);

    static QString stopQuestionText()
    {
        return QStringLiteral("処理を中止しますか？\n作成中のファイルは削除され、ｲﾝﾌﾟｯﾄﾌｧｲﾙと"
                              "元のｱｳﾄﾌﾟｯﾄﾌｧｲﾙはそのまま残ります。");
    }
    static QString stoppingText()
    {
        return QStringLiteral("処理を中止しています...\nしばらくお待ちください...");
    }

signals:
    /// The user chose to stop the run.
    void stopRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void takeLine(const QByteArray& line);

    QLabel* m_message = nullptr;
    QProgressBar* m_bar = nullptr;
    QByteArray m_pending;
    bool m_mayClose = false;
    bool m_stopping = false;
};

} // namespace vello::editor
