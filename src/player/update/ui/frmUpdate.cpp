#include "frmUpdate.h"

#include "FolderPicker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vello {

frmUpdate::frmUpdate(QWidget* owner) : frmUpdate(owner, UpdateCheck::Options{}) {}

frmUpdate::frmUpdate(QWidget* owner, UpdateCheck::Options options)
    : QDialog(owner), m_check(*this, std::move(options))
{
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("最新バージョンの取得"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_lblMsg = new QLabel(this);
    m_lblMsg->setObjectName(QStringLiteral("lblMsg"));
    m_lblMsg->setAlignment(Qt::AlignCenter);
    m_lblMsg->setMinimumWidth(320);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgTransfer"));
    m_progress->setRange(0, 0); // moving while the server works and no size is known
    m_progress->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(14);
    layout->addWidget(m_lblMsg);
    layout->addWidget(m_progress);
    setFixedSize(sizeHint());
}

frmUpdate::~frmUpdate()
{
    setBusy(false);
}

void frmUpdate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // After the window has appeared: the check runs its steps from the event loop.
    QTimer::singleShot(0, this, &frmUpdate::Form_Activate);
}

void frmUpdate::Form_Activate()
{
    m_result = m_check.run();
    done(QDialog::Accepted);
}

void frmUpdate::reject()
{
    if (m_check.isRunning()) {
        m_check.cancel();
        return;
    }
    QDialog::reject();
}

void frmUpdate::closeEvent(QCloseEvent* event)
{
    if (m_check.isRunning()) {
        m_check.cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmUpdate::showStep(const QString& text)
{
    m_lblMsg->setText(text);
    m_progress->setRange(0, 0);
}

void frmUpdate::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmUpdate::showProgress(qint64 done, qint64 total)
{
    if (total <= 0) {
        m_progress->setRange(0, 0);
        return;
    }
    m_progress->setRange(0, 1000);
    m_progress->setValue(static_cast<int>(qBound(qint64(0), done * 1000 / total, qint64(1000))));
}

QString frmUpdate::chooseFolder(const QString& title, const QString& startFolder)
{
    FolderPicker picker;
    picker.setOwner(parentWidget() ? parentWidget() : this);
    picker.setTitle(title);
    picker.setStartFolder(startFolder);
    return picker.Show();
}

} // namespace vello
