#include "viewer/playback.h"

#include "platform/mediaplayer.h"

namespace velt {

double speedDown(double rate)
{
    if (rate < kLowestRate)
        return rate;
    double r = rate - kRateStep;
    if (r <= kLowestRate)
        r = kLowestRate;
    return r;
}

double speedUp(double rate)
{
    if (rate > kHighestRate)
        return rate;
    double r = rate + kRateStep;
    if (r >= kHighestRate)
        r = kHighestRate;
    return r;
}

QString rateText(double rate)
{
    return QString::number(rate, 'g', 15);
}

double rateFromText(const QString &text)
{
    bool ok = false;
    const double rate = text.trimmed().toDouble(&ok);
    return ok ? rate : 0.0;
}

void setStandardSize(MediaPlayer &player)
{
    player.setDisplaySize(MediaPlayer::kFitToControl);
    player.setHeightTwips(4935);
    player.setWidthTwips(5250);
    player.setFlag(MediaPlayer::kFlag24, false);
}

void setButtonSize(MediaPlayer &player, int displaySize)
{
    player.setAutoSize(true);
    player.setDisplaySize(displaySize);
    if (displaySize == MediaPlayer::kFitToControl) {
        player.setHeightTwips(4935);
        player.setWidthTwips(5250);
    }
}

void resetAfterOpening(MediaPlayer &player)
{
    setStandardSize(player);
    player.setFlag(MediaPlayer::kFlag1021, false);
    player.setFlag(MediaPlayer::kFlag1108, false);
}

void resetAfterFailure(MediaPlayer &player)
{
    player.setFlag(MediaPlayer::kFlag1021, true);
    player.setFlag(MediaPlayer::kFlag1108, false);
    player.setFileName(QString());
    setStandardSize(player);
}

} // namespace velt
