#pragma once

#include <QtGlobal>

#include <algorithm>
#include <functional>

namespace velt {

// What one collection may spend on browser caches: decoded bytes (per body and in total) and
// time (per entry and in total). A hostile cache of a few megabytes can otherwise decode to
// gigabytes or keep the decoders busy for minutes; entries past a bound are skipped and
// counted, so the user hears of them in one message. Every cache reader and decoder asks the
// same object; the clock is injectable so that tests never wait.
struct BudgetLimits
{
    qint64 bodyDecoded = 128LL * 1024 * 1024;  // one body may decode to this
    qint64 totalDecoded = 256LL * 1024 * 1024; // all decoded bodies together
    qint64 entryMs = 3000;                     // reading and decoding one entry
    qint64 collectionMs = 120000;              // every entry of every cache
};

class ExtractBudget
{
public:
    using Clock = std::function<qint64()>; // monotonic milliseconds

    using Limits = BudgetLimits;

    // Bounds for caches holding cacheBytes in all with freeBytes free beside the working
    // folder (negative when unknown): decoded output a small multiple of the caches, never
    // more than half the free space; time a minute plus a second per cached megabyte.
    static Limits limitsFor(qint64 cacheBytes, qint64 freeBytes);

    explicit ExtractBudget(const Limits &limits = {}, Clock clock = {});

    const Limits &limits() const { return m_limits; }
    qint64 now() const { return m_clock(); }

    // Marks the start of one entry for its time bound.
    void startEntry();
    // Gives the entry begun last more time for copying bytes of body, at a slow disk's pace:
    // a long movie is not cut off by the bound meant for traps.
    void allowEntryBytes(qint64 bytes);
    // Whether the entry begun last, or the whole collection, ran past its time.
    bool outOfTime() const;
    bool collectionOutOfTime() const;

    // The most bytes the next body may decode to: the per-body bound or what is left in total.
    qint64 decodedAllowance() const;
    // The bytes all writes together may still add: what joined streams are bounded by.
    qint64 writtenAllowance() const
    {
        return std::max<qint64>(0, m_limits.totalDecoded - m_decoded);
    }
    // Counts bytes a decoded body wrote.
    void spendDecoded(qint64 bytes);

    // An entry skipped for its decoded size or for time; the collection reports the sum.
    void skipForSize() { ++m_skippedForSize; }
    void skipForTime() { ++m_skippedForTime; }
    int skippedForSize() const { return m_skippedForSize; }
    int skippedForTime() const { return m_skippedForTime; }
    int skipped() const { return m_skippedForSize + m_skippedForTime; }

private:
    Limits m_limits;
    Clock m_clock;
    qint64 m_start = 0;
    qint64 m_entryStart = 0;
    qint64 m_entryExtraMs = 0;
    qint64 m_decoded = 0;
    int m_skippedForSize = 0;
    int m_skippedForTime = 0;
};

} // namespace velt
