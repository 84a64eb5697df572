// The about window: icon, title, version, description, legal notice and a link to the maker's web page.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vello {

/**
 * frmAbout, caption "Velloplayer" + "のﾊﾞｰｼﾞｮﾝ情報". Modeless, owned by the main window. Its texts are
 * set and it is centred on the screen when it is made; "OK" only hides it, so showing it again reuses the
 * same window (showFor). The link opens the maker's web page with the desktop's URL handler; a failure
 * is ignored. Window thread only.
 */
class frmAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    /// owner: the main window; its icon is shown.
    explicit frmAbout(QWidget* owner = nullptr);

    /// Shows the owner's about window, making it on first use, and brings it to the front.
    static frmAbout* showFor(QWidget* owner);

    QLabel* picIcon() const { return m_picIcon; }
    QLabel* lblTitle() const { return m_lblTitle; }
    QLabel* lblVersion() const { return m_lblVersion; }
    QPlainTextEdit* lblDescription() const { return m_lblDescription; }
    QLabel* lblURL() const { return m_lblURL; }
    QLabel* lblDisclaimer() const { return m_lblDisclaimer; }
    QPushButton* Command1() const { return m_command1; }

public slots:
    void Command1_Click();
    void lblURL_Click();

private:
    void centreOnScreen();

    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QPlainTextEdit* m_lblDescription = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_lblURL = nullptr;
    QLabel* m_lblDisclaimer = nullptr;
    QPushButton* m_command1 = nullptr;
};

} // namespace vello
