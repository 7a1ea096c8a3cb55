#pragma once

#include <QString>

namespace velt {

class MediaPlayer;

// The speed buttons' limits and fixed rates (1.0 is normal speed).
inline constexpr double kLowestRate = 0.1;
inline constexpr double kHighestRate = 6.0;
inline constexpr double kRateStep = 0.1;
inline constexpr double kSlowRate = 0.05;
inline constexpr double kNormalRate = 1.0;

// One step down from the rate the player reports: 0.1 less, lifted to 0.1 when it would fall
// to or below it; a rate already below 0.1 (the slow rate) stays. Plain double arithmetic, so
// repeated steps carry rounding (1 - 0.1 - 0.1 - 0.1 is 0.7000000000000001) and a value a hair
// above 0.1 is stepped once more and then lifted to exactly 0.1.
double speedDown(double rate);

// One step up: 0.1 more, capped at 6; a rate above 6 stays. From 0.05 this gives 0.15.
double speedUp(double rate);

// The rate as the speed label shows it: general number format, at most 15 significant digits,
// no trailing zeros ("1", "0.9", "0.05", and "0.7" for 0.7000000000000001).
QString rateText(double rate);

// The label's text back to a rate, as the player notification applies it; 0 when it is no
// number (the player refuses 0 and keeps its rate).
double rateFromText(const QString &text);

// The player's designed size: display size "fit to the control" at 5250 x 4935 twips (not the
// designed 5265: with 5250 the window has its designed size), flag 24 off. Clear, opening a
// movie or sound, and the File button's failure path each end on it.
void setStandardSize(MediaPlayer &player);

// A size button: AutoSize on, then the display size (own, double, fit to the control or half the
// screen); fit to the control also restores the standard 5250 x 4935.
void setButtonSize(MediaPlayer &player, int displaySize);

// After a movie or sound was opened (or handed on): the standard size and flags 1021 and 1108
// off. The failure path instead unloads the file, sets flag 1021 and returns to the standard size.
void resetAfterOpening(MediaPlayer &player);
void resetAfterFailure(MediaPlayer &player);

} // namespace velt
