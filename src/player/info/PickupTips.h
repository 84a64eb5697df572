// The start-up tips: thirteen usage tips, shown from a random start and then in table order.
#pragma once

#include <QString>
#include <QStringList>

namespace vello {

class BasicRandom;
struct PlayerSettings;

/// The logic of the tips window frmPickup, without widgets. Window thread only.
class PickupTips
{
public:
    static constexpr int Count = 13;

    /// The tips in position order (index 0 holds position 1).
    static const QStringList& table();

    /// Draws the start position from random: 1 + the integer part of 13 x r, r the generator's next number.
    /// Pass the program's one generator (BasicRandom::instance()), which the random play mode draws from too.
    explicit PickupTips(BasicRandom& random);

    /// The current position, 1..13.
    int position() const { return m_position; }
    /// The tip at the current position.
    QString current() const;
    /// Advances by one position, from 13 back to 1.
    void next();

    /// Closing the window: Pickup = ticked (1) or not (0), written to Config.ini ("Config" / "PICKUP") at
    /// once. A failed write is logged and otherwise ignored; the value in memory stays the new one.
    /// Returns whether the write succeeded.
    static bool savePickup(PlayerSettings& settings, bool ticked);

private:
    int m_position = 1;
};

} // namespace vello
