// The position slider, time display, player-button looks and the held rewind/fast-forward of the main window.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

namespace vello {

class PlaybackController;

/**
 * Keeps the position slider (sldTimer), the time label (lblTimer) and the looks of the player buttons in
 * step with the active control, and carries out slider drags and held seeks through the controller.
 *
 * The window forwards its events (slider pressed / scrolled / released, seek button or key down / up) and
 * shows what the signals say; it owns no timer of its own for this. Two timers run here: the display
 * timer (tmrTimer, every 100 ms, running from construction) and the seek timer (tmrPre, running only
 * while a seek button is held; one step per seekIntervalMs(), 16 ms by default: one tick of a typical
 * system timer).
 *
 * Slider values are milliseconds in 0..sliderMaximum(); a value outside is refused and the slider keeps
 * its value. Window thread only.
 */
class PositionTracker : public QObject
{
    Q_OBJECT

public:
    /// Button indexes of imgButton / imgButton_S.
    enum Button
    {
        Previous = 0,
        Rewind = 1,
        Stop = 2,
        Play = 3,
        FastForward = 4,
        Next = 5,
        Volume = 6,
        Pause = 7
    };
    static constexpr int ButtonCount = 8;
    static constexpr int DisplayIntervalMs = 100;

    explicit PositionTracker(PlaybackController& controller, QObject* parent = nullptr);

    /// SlideTimer setting, 0 ("ちょ～早い") .. 4 ("めっちゃ遅い").
    void setSlideTimer(int index) { m_slideTimer = index; }
    int slideTimer() const { return m_slideTimer; }
    void setSeekIntervalMs(int ms) { m_seekTimer.setInterval(ms); }
    int seekIntervalMs() const { return m_seekTimer.interval(); }

    int sliderValue() const { return m_value; }
    int sliderMaximum() const { return m_maximum; }
    /// lblTimer's text, e.g. "01:05/04:10".
    QString timeText() const;
    /// Whether the button shows its pressed image.
    bool buttonPressed(int button) const;
    bool SliderDragging() const { return m_dragging; }
    bool displayTimerActive() const { return m_displayTimer.isActive(); }
    bool seekTimerActive() const { return m_seekTimer.isActive(); }

    /// One tick of the display timer (also run by the timer itself).
    void displayTick();
    /// One tick of the seek timer (also run by the timer itself).
    void seekTick();

    /// Mouse button down on sldTimer: hold the clip, stop the display timer.
    void sliderPressed();
    /// sldTimer scrolled to value by the user: shown at once; seeks while dragging.
    void sliderScrolled(int value);
    /// Mouse button up on sldTimer: seek to the value and play on; the display timer runs again.
    void sliderReleased();

    /// Mouse button (or key) down on rewind (Rewind) or fast forward (FastForward). A repeat while the
    /// same button is held does nothing.
    void seekButtonPressed(Button button);
    /// Mouse button (or key) up on rewind or fast forward: play on from the slider's value.
    void seekButtonReleased(Button button);

    /// Sets a button's look (the window's own pressed looks, e.g. on mouse down or the volume button).
    void setButtonPressed(int button, bool pressed);

signals:
    void sliderValueChanged(int valueMs);
    void sliderMaximumChanged(int maximumMs);
    void timeTextChanged(const QString& text);
    /// A button changed between its normal (false) and pressed (true) image.
    void buttonLookChanged(int button, bool pressed);

private:
    void onClipLength(int lengthMs, const QString& totalTimeText);
    /// Sets the slider value; false (nothing changes) when it lies outside 0..maximum.
    bool setValue(int value);

    PlaybackController& m_controller;
    QTimer m_displayTimer;
    QTimer m_seekTimer;
    int m_slideTimer = 2;
    int m_value = 0;
    int m_maximum = 0;
    QString m_totalTimeText = QStringLiteral("00:00");
    bool m_dragging = false;
    int m_seekDirection = 0; ///< -1 rewind held, +1 fast forward held, 0 none
    std::array<bool, ButtonCount> m_pressed{};
};

} // namespace vello
