#include "PlaybackMath.h"

#include "Helpers.h"

#include <QtGlobal>

#include <cmath>
#include <iterator>

namespace vello::PlaybackMath {

int lengthFromTotalText(const QString& totalTimeText)
{
    const qsizetype colon = totalTimeText.indexOf(u':');
    if (colon <= 0 || totalTimeText.size() < 2)
        return -1;
    bool minutesOk = false;
    bool secondsOk = false;
    const int minutes = totalTimeText.left(colon).toInt(&minutesOk);
    const int seconds = totalTimeText.right(2).toInt(&secondsOk);
    if (!minutesOk || !secondsOk || minutes < 0 || seconds < 0)
        return -1;
    return minutes * 60 + seconds;
}

int seekDivisor(int lengthSeconds, int slideTimer)
{
    if (lengthSeconds <= 0)
        return 0;
    const int speed = qBound(0, slideTimer, SlideTimerCount - 1);
    return int(roundHalfEven(double(lengthSeconds) / double(SlideTimerCount - speed)));
}

std::optional<int> seekTick(int value, int maximum, int divisor, int direction)
{
    if (divisor <= 0 || direction == 0)
        return std::nullopt;
    const double step = double(maximum) / double(divisor);
    const qint64 target = roundHalfEven(direction < 0 ? double(value) - step : double(value) + step);
    if (target < 0 || target > maximum)
        return std::nullopt;
    return int(target);
}

QString timeDisplayText(int sliderValueMs, const QString& totalTimeText)
{
    return timeText(roundHalfEven(double(sliderValueMs) / 1000.0)) + u'/' + totalTimeText;
}

QString totalTimeText(qint64 lengthMs)
{
    return timeText(roundHalfEven(double(lengthMs) / 1000.0));
}

int wpVolumeFromSlider(int sliderValue)
{
    const int v = qBound(0, sliderValue, 100);
    return v == 0 ? -10000 : v * 30 - 3000;
}

int sliderFromWpVolume(int wpVolume)
{
    return int(qBound(qint64(0), roundHalfEven(100.0 + double(wpVolume) / 30.0), qint64(100)));
}

std::optional<std::pair<int, int>> scaledPicture(int pictureWidth, int pictureHeight, double ratio)
{
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return std::nullopt;
    if (ratio == 0 || !std::isfinite(ratio) || ratio < 0)
        return std::pair{pictureWidth, pictureHeight};
    return std::pair{int(roundHalfEven(pictureWidth * ratio)), int(roundHalfEven(pictureHeight * ratio))};
}

std::optional<OriginalSizeFit> ChangeOri(int pictureWidth, int pictureHeight, double ratio, int twipsPerPixel,
                                         int fileListWidth)
{
    const auto picture = scaledPicture(pictureWidth, pictureHeight, ratio);
    if (!picture)
        return std::nullopt;
    OriginalSizeFit fit;
    fit.controlWidth = picture->first * twipsPerPixel;
    fit.controlHeight = picture->second * twipsPerPixel;
    fit.windowWidth = fit.controlWidth + fileListWidth + 270;
    fit.windowHeight = fit.controlHeight + 1600;
    return fit;
}

double steppedSpeed(double speed, int direction)
{
    constexpr double kSame = 1e-6;
    if (direction < 0) {
        for (auto it = std::rbegin(SpeedSteps); it != std::rend(SpeedSteps); ++it) {
            if (*it < speed - kSame)
                return *it;
        }
        return SpeedSteps[0];
    }
    for (const double step : SpeedSteps) {
        if (step > speed + kSame)
            return step;
    }
    return std::end(SpeedSteps)[-1];
}

QString speedText(double speed)
{
    if (std::fabs(speed - 1.0) < 1e-6)
        return QString();
    QString number = QString::number(speed, 'f', 2);
    if (number.endsWith(u'0'))
        number.chop(1);
    return QStringLiteral("×") + number;
}

} // namespace vello::PlaybackMath
