#include "browser/responseinfo.h"

#include "browser/entryfile.h"

namespace velt {

namespace {

constexpr quint32 kResponseInfoTruncated = 1u << 12;
constexpr quint32 kResponseInfoHasExtraFlags = 1u << 31;
constexpr quint32 kResponseExtraHasOriginalTime = 1u << 2;
// base::Time counts microseconds from 1601-01-01 UTC.
constexpr qint64 kWindowsEpochToUnixMicroseconds = 11644473600000000LL;

// A base::Pickle read from its payload: 4-byte aligned fields, little-endian.
class PickleReader
{
public:
    explicit PickleReader(const QByteArray &data) : m_data(data) { }
    std::optional<quint32> u32()
    {
        if (m_at + 4 > m_data.size())
            return std::nullopt;
        const quint32 v = le32(m_data, m_at);
        m_at += 4;
        return v;
    }
    std::optional<qint64> i64()
    {
        if (m_at + 8 > m_data.size())
            return std::nullopt;
        const qint64 v = qint64(le64(m_data, m_at));
        m_at += 8;
        return v;
    }
    std::optional<QByteArray> string()
    {
        const auto length = u32();
        if (!length || *length > quint32(m_data.size() - m_at))
            return std::nullopt;
        const QByteArray s = m_data.mid(m_at, qsizetype(*length));
        m_at += (qsizetype(*length) + 3) & ~qsizetype(3);
        return s;
    }

private:
    const QByteArray &m_data;
    qsizetype m_at = 0;
};

} // namespace

std::optional<ResponseInfo> parseResponseInfo(const QByteArray &stream0)
{
    if (stream0.size() < 4)
        return std::nullopt;
    const quint32 payloadSize = le32(stream0, 0);
    if (payloadSize > quint32(stream0.size() - 4))
        return std::nullopt;
    const QByteArray payload = stream0.mid(4, qsizetype(payloadSize));
    PickleReader reader(payload);
    const auto flags = reader.u32();
    if (!flags || (*flags & 0xFF) == 0)
        return std::nullopt;
    quint32 extra = 0;
    if (*flags & kResponseInfoHasExtraFlags) {
        const auto e = reader.u32();
        if (!e)
            return std::nullopt;
        extra = *e;
    }
    const auto requestTime = reader.i64();
    const auto responseTime = reader.i64();
    if (!requestTime || !responseTime)
        return std::nullopt;
    if ((extra & kResponseExtraHasOriginalTime) && !reader.i64())
        return std::nullopt;
    const auto raw = reader.string();
    if (!raw)
        return std::nullopt;
    ResponseInfo info;
    info.head = parseHttpHead(*raw);
    if (info.head.status == 0)
        return std::nullopt;
    info.truncated = (*flags & kResponseInfoTruncated) != 0;
    if (*responseTime > kWindowsEpochToUnixMicroseconds)
        info.fetched = QDateTime::fromMSecsSinceEpoch(
                (*responseTime - kWindowsEpochToUnixMicroseconds) / 1000, Qt::UTC);
    return info;
}

QString urlFromChromiumKey(const QByteArray &key)
{
    // Partitioned keys: an optional "N/N/" prefix, "_dk_", the top-frame and frame sites, then
    // the URL, separated by spaces (URLs hold no spaces).
    if (key.contains("_dk_")) {
        const qsizetype space = key.lastIndexOf(' ');
        return QString::fromUtf8(space >= 0 ? key.mid(space + 1) : key);
    }
    return QString::fromUtf8(key);
}

QString siteFromChromiumKey(const QByteArray &key)
{
    const qsizetype prefix = key.indexOf("_dk_");
    if (prefix < 0)
        return QString();
    const qsizetype from = prefix + 4;
    qsizetype end = key.indexOf(' ', from);
    if (end < 0)
        return QString();
    QByteArrayView site = QByteArrayView(key).sliced(from, end - from);
    // Markers such as "s_" (a subframe document) or "cn_" may come before the site; a scheme
    // never holds '_'.
    const qsizetype scheme = site.indexOf("://");
    if (scheme < 0)
        return QString();
    const qsizetype marker = site.first(scheme).lastIndexOf('_');
    if (marker >= 0)
        site = site.sliced(marker + 1);
    return QString::fromUtf8(site);
}

} // namespace velt
