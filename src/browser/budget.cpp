#include "browser/budget.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

namespace velt {

namespace {

constexpr qint64 kMiB = 1024 * 1024;
// Pictures rarely travel compressed, and text formats shrink by a few times at most: decoded
// output past this multiple of the caches' size is a bomb, not a picture.
constexpr qint64 kDecodedPerCachedByte = 16;
constexpr qint64 kMinTotalDecoded = 8 * kMiB;
constexpr qint64 kBaseCollectionMs = 60000;
constexpr qint64 kMsPerCachedMiB = 1000;
// A slow disk's pace for copying a body, in bytes a millisecond (about 10 MB/s).
constexpr qint64 kCopyBytesPerMs = 10 * 1024;

qint64 monotonicMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace

ExtractBudget::Limits ExtractBudget::limitsFor(qint64 cacheBytes, qint64 freeBytes)
{
    Limits limits;
    cacheBytes = std::max<qint64>(cacheBytes, 0);
    qint64 total = std::max(kMinTotalDecoded,
                            std::min(cacheBytes, std::numeric_limits<qint64>::max() / 32)
                                    * kDecodedPerCachedByte);
    if (freeBytes >= 0)
        total = std::min(total, freeBytes / 2);
    limits.totalDecoded = total;
    limits.bodyDecoded = std::min(limits.bodyDecoded, total);
    limits.collectionMs = kBaseCollectionMs + cacheBytes / kMiB * kMsPerCachedMiB;
    return limits;
}

ExtractBudget::ExtractBudget(const Limits &limits, Clock clock)
    : m_limits(limits), m_clock(clock ? std::move(clock) : Clock(monotonicMs))
{
    m_start = m_clock();
    m_entryStart = m_start;
}

void ExtractBudget::startEntry()
{
    m_entryStart = m_clock();
    m_entryExtraMs = 0;
}

void ExtractBudget::allowEntryBytes(qint64 bytes)
{
    m_entryExtraMs += std::max<qint64>(bytes, 0) / kCopyBytesPerMs;
}

bool ExtractBudget::outOfTime() const
{
    const qint64 t = m_clock();
    return t - m_entryStart > m_limits.entryMs + m_entryExtraMs
            || t - m_start > m_limits.collectionMs;
}

bool ExtractBudget::collectionOutOfTime() const
{
    return m_clock() - m_start > m_limits.collectionMs;
}

qint64 ExtractBudget::decodedAllowance() const
{
    return std::max<qint64>(0, std::min(m_limits.bodyDecoded, m_limits.totalDecoded - m_decoded));
}

void ExtractBudget::spendDecoded(qint64 bytes)
{
    m_decoded += std::max<qint64>(bytes, 0);
}

} // namespace velt
