#include "PositionTracker.h"

#include "Helpers.h"
#include "PlaybackController.h"
#include "PlaybackMath.h"

#include <climits>

namespace vello {

PositionTracker::PositionTracker(PlaybackController& controller, QObject* parent)
    : QObject(parent), m_controller(controller)
{
    m_displayTimer.setInterval(DisplayIntervalMs);
    m_seekTimer.setInterval(16);
    connect(&m_displayTimer, &QTimer::timeout, this, &PositionTracker::displayTick);
    connect(&m_seekTimer, &QTimer::timeout, this, &PositionTracker::seekTick);
    connect(&m_controller, &PlaybackController::clipLengthChanged, this, &PositionTracker::onClipLength);
    m_displayTimer.start();
}

QString PositionTracker::timeText() const
{
    return PlaybackMath::timeDisplayText(m_value, m_totalTimeText);
}

bool PositionTracker::buttonPressed(int button) const
{
    return button >= 0 && button < ButtonCount && m_pressed[size_t(button)];
}

void PositionTracker::setButtonPressed(int button, bool pressed)
{
    if (button < 0 || button >= ButtonCount || m_pressed[size_t(button)] == pressed)
        return;
    m_pressed[size_t(button)] = pressed;
    emit buttonLookChanged(button, pressed);
}

bool PositionTracker::setValue(int value)
{
    if (value < 0 || value > m_maximum)
        return false;
    if (value != m_value) {
        m_value = value;
        emit sliderValueChanged(value);
    }
    emit timeTextChanged(timeText());
    return true;
}

void PositionTracker::onClipLength(int lengthMs, const QString& totalTimeText)
{
    m_maximum = qMax(0, lengthMs);
    m_totalTimeText = totalTimeText;
    emit sliderMaximumChanged(m_maximum);
    if (m_value > m_maximum) {
        m_value = m_maximum;
        emit sliderValueChanged(m_value);
    }
    emit timeTextChanged(timeText());
}

void PositionTracker::displayTick()
{
    const PlaybackController::ControlStatus status = m_controller.controlStatus();
    if (status.realAudio) {
        if (status.raState != RA::PlayState::Stopped) {
            setValue(status.raPositionMs);
            if (status.raState == RA::PlayState::Paused) {
                setButtonPressed(Stop, false);
                setButtonPressed(Play, false);
                setButtonPressed(Pause, true);
            } else {
                setButtonPressed(Pause, false);
                setButtonPressed(Stop, false);
                setButtonPressed(Play, true);
            }
        } else {
            setButtonPressed(Stop, true);
            setButtonPressed(Play, false);
        }
        return;
    }
    setValue(int(qBound(qint64(INT_MIN), roundHalfEven(status.wpPositionSec * 1000.0), qint64(INT_MAX))));
    switch (status.wpState) {
    case WP::PlayState::Stopped:
        setButtonPressed(Stop, true);
        setButtonPressed(Play, false);
        break;
    case WP::PlayState::Paused:
        setButtonPressed(Pause, true);
        setButtonPressed(Stop, false);
        setButtonPressed(Play, false);
        break;
    case WP::PlayState::Playing:
        setButtonPressed(Play, true);
        setButtonPressed(Stop, false);
        setButtonPressed(Pause, false);
        break;
    }
}

void PositionTracker::seekTick()
{
    int direction = 0;
    if (buttonPressed(Rewind))
        direction = -1;
    else if (buttonPressed(FastForward))
        direction = 1;
    const int length = PlaybackMath::lengthFromTotalText(m_totalTimeText);
    const int divisor = PlaybackMath::seekDivisor(length, m_slideTimer);
    if (const auto next = PlaybackMath::seekTick(m_value, m_maximum, divisor, direction))
        setValue(*next);
}

void PositionTracker::sliderPressed()
{
    m_controller.pauseActive();
    m_displayTimer.stop();
    m_dragging = true;
}

void PositionTracker::sliderScrolled(int value)
{
    if (!setValue(value))
        return;
    if (m_dragging)
        m_controller.seekActive(m_value);
}

void PositionTracker::sliderReleased()
{
    m_controller.seekActive(m_value);
    m_controller.playActive();
    m_dragging = false;
    m_displayTimer.start();
}

void PositionTracker::seekButtonPressed(Button button)
{
    if (button != Rewind && button != FastForward)
        return;
    const int direction = button == Rewind ? -1 : 1;
    if (m_seekDirection == direction && m_seekTimer.isActive())
        return;
    setButtonPressed(button == Rewind ? FastForward : Rewind, false);
    setButtonPressed(button, true);
    setButtonPressed(Play, false);
    m_controller.pauseActive();
    m_displayTimer.stop();
    m_seekDirection = direction;
    m_seekTimer.start();
}

void PositionTracker::seekButtonReleased(Button button)
{
    if (button != Rewind && button != FastForward)
        return;
    setButtonPressed(button, false);
    setButtonPressed(Play, true);
    m_controller.resumeAfterSeek(m_value);
    m_seekDirection = 0;
    m_seekTimer.stop();
    m_displayTimer.start();
}

} // namespace vello
