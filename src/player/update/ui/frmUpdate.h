// The update window: shows the steps of one update check and closes itself when the check has ended.
#pragma once

#include "UpdateCheck.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace vello {

/**
 * "最新バージョンの取得": a small window owned by the main window, opened modally. When it is first shown
 * it runs one UpdateCheck (the steps show in lblMsg, a bar moves while the server works) and closes on
 * every path. Closing it (close button or Escape) while the server works cancels the check, which then
 * says so and closes the window. The owner is also the folder chooser's owner. Window thread.
 */
class frmUpdate final : public QDialog, private UpdateView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmUpdate)

public:
    explicit frmUpdate(QWidget* owner);
    frmUpdate(QWidget* owner, UpdateCheck::Options options);
    ~frmUpdate() override;

    QLabel* lblMsg() const { return m_lblMsg; }
    /// How the last check ended (meaningful once the window has closed).
    UpdateCheck::Result result() const { return m_result; }
    bool checkRunning() const { return m_check.isRunning(); }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate();

    void showStep(const QString& text) override;
    void setBusy(bool busy) override;
    void showProgress(qint64 done, qint64 total) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;

    QLabel* m_lblMsg = nullptr;
    QProgressBar* m_progress = nullptr;
    UpdateCheck m_check;
    UpdateCheck::Result m_result = UpdateCheck::Result::Cancelled;
    bool m_started = false;
    bool m_busy = false;
};

} // namespace vello
