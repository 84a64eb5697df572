// The main window's transport controls: eight player buttons, position slider, time label, volume panel.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QSlider;
class QWidget;

namespace vello {

class MainLayout;

/**
 * The transport controls of the main window as one unit. The controls are children of the window's
 * client area (the layout rules place them in different parts of it: the buttons and the time label
 * below the video area, the position slider along the bottom edge, the volume panel over the video area
 * above its button), created and placed here; nothing outside reaches into them.
 *
 * Mouse input becomes signals: buttonDown / buttonUp for the buttons (a double click counts as a second
 * click, so no click is lost), positionPressed / positionScrolled / positionReleased for the position
 * slider, volumeChanged for the volume slider. Only the user's actions emit them; the state setters
 * (setButtonLook, setPosition, setPositionMaximum, setTimeText, setVolume, setVolumePanelVisible) never do.
 *
 * The volume button: releasing its normal image emits buttonUp(Volume) (the window then keeps the pressed
 * look and shows the panel); a click on its pressed image while the panel shows hides the panel and emits
 * volumePanelClosed(). Window thread only.
 */
class TransportBar final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransportBar)

public:
    /// Button indexes, left to right.
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

    /// Creates the controls as children of client.
    explicit TransportBar(QWidget* client, QObject* parent = nullptr);
    ~TransportBar() override;

    /// Places every control at the rectangles of layout (twips), converted by toPixels.
    void place(const MainLayout& layout, const std::function<QRect(const QRect&)>& toPixels);

    /// A button's look: its pressed image (true) or its normal image (false); exactly one shows.
    void setButtonLook(int button, bool pressed);
    bool buttonLook(int button) const;

    void setPositionMaximum(int maximum);
    void setPosition(int value);
    int position() const;
    int positionMaximum() const;
    void setTimeText(const QString& text);
    /// What follows the time in the time label (the playback speed, "×1.5"); "" for nothing. The label
    /// grows to the left when its text needs more room than its place.
    void setSpeedText(const QString& text);
    /// The time label's whole text.
    QString timeText() const;

    /// The volume slider's value (0..100).
    void setVolume(int value);
    int volume() const;
    void setVolumePanelVisible(bool visible);
    bool volumePanelVisible() const;

    // The controls themselves, for geometry checks and input in tests.
    QLabel* imgButton(int index) const { return m_normal.at(size_t(index)); }
    QLabel* imgButton_S(int index) const { return m_pressed.at(size_t(index)); }
    QSlider* sldTimer() const { return m_sldTimer; }
    QLabel* lblTimer() const { return m_lblTimer; }
    QWidget* picVol() const { return m_picVol; }
    QSlider* sldVol() const { return m_sldVol; }

signals:
    void buttonDown(int button);
    void buttonUp(int button);
    /// The user clicked the pressed volume button while the panel showed; the panel is hidden.
    void volumePanelClosed();
    void positionPressed();
    void positionScrolled(int value);
    void positionReleased();
    void volumeChanged(int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int buttonIndexOf(const QObject* watched, bool* pressedImage) const;
    bool buttonMouse(int index, bool pressedImage, QEvent* event);
    bool sliderMouse(QEvent* event);
    void showTimeLabel();

    std::array<QLabel*, ButtonCount> m_normal{};
    std::array<QLabel*, ButtonCount> m_pressed{};
    QSlider* m_sldTimer = nullptr;
    QLabel* m_lblTimer = nullptr;
    QString m_timeText = QStringLiteral("00:00/00:00");
    QString m_speedText;
    QRect m_timerPlace;
    QWidget* m_picVol = nullptr;
    QSlider* m_sldVol = nullptr;
    bool m_settingPosition = false;
    bool m_settingVolume = false;
    bool m_positionHeld = false;
    int m_mouseDownButton = -1;
    bool m_closingVolumePanel = false;
};

} // namespace vello
