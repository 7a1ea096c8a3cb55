#pragma once

#include "app/mdlvelt.h"

namespace velt {

// Orders the list (by first character, or by time of day when sortByTime) and groups the GIF
// list. Lists of 0 or 1 entries are not touched; the GIF list is grouped when it has two or
// more names.
void GSort(MdlVELT &state, bool sortByTime);

// First-character ordering: digits 0..9, then A..Z case-blind, then every other non-empty
// name; list order kept inside each group. Linear time.
void sortByName(MdlVELT &state);

// Time-of-day ordering by the last 8 characters ("hh:mm:ss") of each display line, earliest
// first; equal times end up in the reverse of their list order. O(n log n).
void sortByTimeOfDay(MdlVELT &state);

// Groups GIF names by upper-cased first character in ASCII order "!".."_"; names outside that
// range are kept after those groups, in list order.
void GifABC(MdlVELT &state);

// The time-of-day key of a display line: hhmmss read as a number.
int timeOfDayKey(const QString &line);

} // namespace velt
