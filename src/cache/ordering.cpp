#include "cache/ordering.h"

#include "app/settings.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace velt {

namespace {

// Group of a name under the first-character ordering: 0..9 digits, 10..35 letters, 36 the rest.
// A name without a first character is never picked up by any pass; keep it last.
int nameGroup(const QString &name)
{
    if (name.isEmpty())
        return 37;
    const QChar c = name.at(0).toUpper();
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        return 10 + c.unicode() - 'A';
    return 36;
}

int gifGroup(const QString &name)
{
    if (name.isEmpty())
        return 96;
    const char16_t c = name.at(0).toUpper().unicode();
    return (c >= 33 && c <= 95) ? c : 96;
}

// Stable reorder of positions 1..count of the list by the permutation order (0-based indexes).
void applyOrder(MdlVELT &state, const std::vector<int> &order)
{
    const int count = state.ListCount;
    state.reserveList(count);
    for (int k = 0; k < count; ++k) {
        state.SortFile[k + 1] = state.ListFile[order[k] + 1];
        state.SortLine[k + 1] = state.ListLine[order[k] + 1];
    }
    for (int k = 1; k <= count; ++k) {
        state.ListFile[k] = state.SortFile[k];
        state.ListLine[k] = state.SortLine[k];
    }
}

} // namespace

int timeOfDayKey(const QString &line)
{
    const QString t = line.right(8);
    const QString digits = t.mid(0, 2) + t.mid(3, 2) + t.mid(6, 2);
    // Six characters of a time field; anything else there (a line not made by the collection)
    // must still give a key an int can hold.
    const double key = leadingNumber(digits);
    return key > -1e9 && key < 1e9 ? static_cast<int>(key) : 0;
}

void sortByName(MdlVELT &state)
{
    std::vector<int> order(state.ListCount);
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> group(state.ListCount);
    for (int i = 0; i < state.ListCount; ++i)
        group[i] = nameGroup(state.ListFile[i + 1]);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return group[a] < group[b]; });
    applyOrder(state, order);
}

void sortByTimeOfDay(MdlVELT &state)
{
    std::vector<int> order(state.ListCount);
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> key(state.ListCount);
    for (int i = 0; i < state.ListCount; ++i)
        key[i] = timeOfDayKey(state.ListLine[i + 1]);
    // Each entry is inserted in front of the first placed entry whose key is not smaller, so
    // equal keys come out in reverse list order.
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return key[a] != key[b] ? key[a] < key[b] : a > b; });
    applyOrder(state, order);
}

void GifABC(MdlVELT &state)
{
    const int count = state.GifCount;
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> group(count);
    for (int i = 0; i < count; ++i)
        group[i] = gifGroup(state.GifFile[i + 1]);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return group[a] < group[b]; });
    state.GifSort = QStringList(count + 1);
    for (int k = 0; k < count; ++k)
        state.GifSort[k + 1] = state.GifFile[order[k] + 1];
    for (int k = 1; k <= count; ++k)
        state.GifFile[k] = state.GifSort[k];
    state.GifSort = QStringList{QString()};
}

void GSort(MdlVELT &state, bool sortByTime)
{
    if (state.ListCount > 1) {
        if (sortByTime)
            sortByTimeOfDay(state);
        else
            sortByName(state);
    }
    if (state.GifCount > 1)
        GifABC(state);
}

} // namespace velt
