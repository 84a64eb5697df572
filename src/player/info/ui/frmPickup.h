// The start-up tips window: one usage tip at a time, the next on request, and a way to switch it off.
#pragma once

#include "PickupTips.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vello {

class BasicRandom;
struct PlayerSettings;

/**
 * frmPickup, caption "便利な使い方". Shown modally, owned by the main window, at the end of the start-up.
 * It starts at a tip drawn from the program's one random generator. "閉じる" (also Enter, Esc and the close
 * box) stores "もういいや(&X)" as Pickup and writes it to Config.ini, then closes. Window thread only.
 */
class frmPickup final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPickup)

public:
    /// settings: the player's settings (not owned; Pickup is set on closing). random: the generator the
    /// start tip is drawn from, the same one the random play mode uses.
    frmPickup(PlayerSettings& settings, BasicRandom& random, QWidget* parent = nullptr);

    const PickupTips& tips() const { return m_tips; }

    QPlainTextEdit* txtPickup() const { return m_txtPickup; }
    QCheckBox* chkPick() const { return m_chkPick; }
    QPushButton* cmdNext() const { return m_cmdNext; }
    QPushButton* cmdOk() const { return m_cmdOk; }

public slots:
    void cmdNext_Click();
    void cmdOk_Click();
    /// Esc and the close box close the window as "閉じる" does.
    void reject() override;

private:
    PlayerSettings& m_settings;
    PickupTips m_tips;
    QLabel* m_image1 = nullptr;
    QPlainTextEdit* m_txtPickup = nullptr;
    QCheckBox* m_chkPick = nullptr;
    QPushButton* m_cmdNext = nullptr;
    QPushButton* m_cmdOk = nullptr;
};

} // namespace vello
