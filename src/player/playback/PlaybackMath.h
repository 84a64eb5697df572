// Pure arithmetic of playback: seek steps, time texts, volume mappings and the original-size window fit.
#pragma once

#include <QString>

#include <optional>

namespace vello::PlaybackMath {

/// The seek speeds of the settings (index 0 fastest ... 4 slowest).
constexpr int SlideTimerCount = 5;

/// Clip length in whole seconds as the time display shows it ("mm:ss"): the characters before the first
/// ":" are minutes, the last two characters seconds. -1 when the text does not read that way.
int lengthFromTotalText(const QString& totalTimeText);

/// Divisor of one seek step: lengthSeconds / (5 - slideTimer), rounded half to even. 0 means the seek
/// buttons do not move (a clip shorter than about half a step). slideTimer outside 0..4 is clamped.
int seekDivisor(int lengthSeconds, int slideTimer);

/// Slider value after one tick of held rewind (direction -1) or fast forward (+1), in milliseconds:
/// value -/+ maximum / divisor, rounded half to even. nullopt when the step cannot be taken: the divisor
/// is 0, or the new value would leave 0..maximum (the slider keeps its value).
std::optional<int> seekTick(int value, int maximum, int divisor, int direction);

/// The time display: elapsed whole seconds (value / 1000 rounded half to even) as "mm:ss", then "/",
/// then totalTimeText. Example: 65400 ms with "04:10" gives "01:05/04:10".
QString timeDisplayText(int sliderValueMs, const QString& totalTimeText);

/// The total time text for a length in milliseconds: whole seconds rounded half to even, as "mm:ss".
QString totalTimeText(qint64 lengthMs);

/// Slider value (0..100) to the volume of the Media Player control (-10000..0): v * 30 - 3000, and
/// -10000 (silence) for 0.
int wpVolumeFromSlider(int sliderValue);

/// Media Player volume read back as a slider value: 100 + volume / 30, rounded half to even, kept in 0..100.
int sliderFromWpVolume(int wpVolume);

/// The playback speeds the speed commands step through, slowest first.
constexpr double SpeedSteps[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};

/// The next step slower (direction -1) or faster (+1) than speed; at either end the end itself. A speed
/// between two steps goes to the nearer one in that direction.
double steppedSpeed(double speed, int direction);

/// What the time label adds for a speed: "" at 1.0, else "×" and the speed with at least one decimal
/// ("×1.5", "×0.75", "×2.0").
QString speedText(double speed);

/// Result of fitting the window around a clip picture (lengths in twips).
struct OriginalSizeFit
{
    int controlWidth = 0;  ///< width given to the active player control
    int controlHeight = 0; ///< height given to the active player control
    int windowWidth = 0;   ///< outer window width: control width + file-list column + 270
    int windowHeight = 0;  ///< outer window height: control height + 1600

    friend bool operator==(const OriginalSizeFit&, const OriginalSizeFit&) = default;
};

/// The picture size in pixels after a magnification ratio (0 = original size): each side times the ratio,
/// rounded half to even. nullopt for a picture without size (width or height 0 or less).
std::optional<std::pair<int, int>> scaledPicture(int pictureWidth, int pictureHeight, double ratio);

/// `ChangeOri` arithmetic: the picture (pixels) times the ratio, converted to twips with twipsPerPixel,
/// and the window size around it for a file-list column of fileListWidth twips. nullopt when the clip has
/// no picture: nothing is to change.
std::optional<OriginalSizeFit> ChangeOri(int pictureWidth, int pictureHeight, double ratio, int twipsPerPixel,
                                         int fileListWidth);

} // namespace vello::PlaybackMath
