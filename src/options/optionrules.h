#pragma once

#include "app/settings.h"

#include <QDate>
#include <QString>

#include <array>

namespace velt {

// The texts the options dialog shows when a confirmed dialog does not pass its checks.
extern const char *const kMsgReviewSizes;
extern const char *const kMsgCheckDate;

// The settings slot each check box of the options dialog edits: Check1..Check10 (index 0 unused).
inline constexpr std::array<int, 11> kOptionCheckSlots = {
        0,          NoCollectAtStart, NoConditions, MinSizeOn,    MaxSizeOn,  TodayOnly,
        SortByTime, DateOnly,         UseNetscape,  NoRealPlayer, NoQuickTime};

// What a confirmed options dialog holds: the ten check boxes (as shown, enabled or not) and the
// three text fields, unchanged.
struct OptionFields
{
    std::array<bool, 11> checks{}; // Check1..Check10
    QString text1;                 // MinSize
    QString text2;                 // MaxSize
    QString text3;                 // FilterDate
};

enum class OptionCheck { Passed, SizeFailed, DateFailed };

// The checks of a confirmed dialog over the stored settings, the size first: with both size
// bounds on, the maximum read as a number must not be below the minimum; then, whatever the
// boxes say, FilterDate must have at most ten characters and "/" as its 5th and 8th.
OptionCheck checkOptions(const Settings &settings);

// Stores the fields into their slots (check boxes as flags) and checks them; on failure every
// slot is put back as it was and the failure returned.
OptionCheck storeOptions(Settings &settings, const OptionFields &fields);

// The message for a failed check; empty for Passed.
QString optionCheckMessage(OptionCheck check);

// A day as FilterDate holds it: "yyyy/mm/dd".
QString filterDateText(const QDate &day);

} // namespace velt
