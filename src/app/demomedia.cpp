#include "app/demomedia.h"

#include <QHash>
#include <QPoint>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace velt {

namespace {

// Little-endian writer; every format here is little-endian.
class LeBytes
{
public:
    void u8(int v) { m_data.append(char(v & 0xFF)); }
    void u16(int v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v)
    {
        u16(int(v & 0xFFFF));
        u16(int(v >> 16));
    }
    void fourcc(const char *code) { m_data.append(code, 4); }
    void bytes(const QByteArray &b) { m_data.append(b); }
    // Reserves a 32-bit field to be filled in later; returns its offset.
    qsizetype placeholder()
    {
        const qsizetype at = m_data.size();
        u32(0);
        return at;
    }
    void patch(qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, m_data.data() + at); }
    qsizetype size() const { return m_data.size(); }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};

// ---- AVI frames -------------------------------------------------------------------------------

QByteArray aviFrame(int frame, int frames, int width, int height)
{
    const int stride = width * 4;
    QByteArray pixels(qsizetype(stride) * height, Qt::Uninitialized);
    const int side = height / 3;
    const int travel = std::max(1, width - side);
    const int left = frames > 1 ? travel * frame / (frames - 1) : 0;
    const int top = (height - side) / 2;
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        char *row = pixels.data() + qsizetype(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            int r = 40 + 120 * y / height;
            int g = 80 + 100 * x / width;
            int b = 160;
            if (x >= left && x < left + side && y >= top && y < top + side) {
                r = 250;
                g = 200 - 150 * frame / std::max(1, frames);
                b = 30;
            }
            row[x * 4] = char(b);
            row[x * 4 + 1] = char(g);
            row[x * 4 + 2] = char(r);
            row[x * 4 + 3] = char(0xFF); // some readers take the fourth byte as alpha
        }
    }
    return pixels;
}

// ---- GIF --------------------------------------------------------------------------------------

// Packs variable-width codes LSB first into 255-byte sub-blocks.
class GifCodeWriter
{
public:
    void put(int code, int width)
    {
        m_bits |= quint32(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.append(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_count > 0)
            m_bytes.append(char(m_bits & 0xFF));
        QByteArray out;
        for (qsizetype at = 0; at < m_bytes.size(); at += 255) {
            const qsizetype n = std::min<qsizetype>(255, m_bytes.size() - at);
            out.append(char(n));
            out.append(m_bytes.constData() + at, n);
        }
        out.append('\0');
        return out;
    }

private:
    QByteArray m_bytes;
    quint32 m_bits = 0;
    int m_count = 0;
};

QByteArray lzwEncode(const std::vector<quint8> &indices, int minCodeSize)
{
    constexpr int kMaxCodes = 4096;
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    GifCodeWriter out;
    std::unordered_map<quint32, int> table;
    table.reserve(kMaxCodes);
    int width = minCodeSize + 1;
    int next = endCode + 1;
    out.put(clearCode, width);
    if (indices.empty()) {
        out.put(endCode, width);
        return out.finish();
    }
    int prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const int k = indices[i];
        const quint32 key = (quint32(prefix) << 8) | quint32(k);
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        out.put(prefix, width);
        if (next < kMaxCodes - 1) {
            table.emplace(key, next++);
            // The decoder adds its entry one code later, so widen once it has caught up.
            if (next > (1 << width) && width < 12)
                ++width;
        } else {
            // Table full: start over rather than keep emitting 12-bit codes that never match.
            out.put(clearCode, width);
            table.clear();
            width = minCodeSize + 1;
            next = endCode + 1;
        }
        prefix = k;
    }
    out.put(prefix, width);
    out.put(endCode, width);
    return out.finish();
}

// ---- WMF --------------------------------------------------------------------------------------

class WmfRecords
{
public:
    void record(int function, std::initializer_list<int> params)
    {
        record(function, std::vector<int>(params));
    }
    void record(int function, const std::vector<int> &params)
    {
        const int words = 3 + int(params.size());
        m_maxRecord = std::max(m_maxRecord, words);
        m_words.push_back(words & 0xFFFF);
        m_words.push_back(words >> 16);
        m_words.push_back(function);
        m_words.insert(m_words.end(), params.begin(), params.end());
    }
    const std::vector<int> &words() const { return m_words; }
    int maxRecord() const { return m_maxRecord; }

private:
    std::vector<int> m_words;
    int m_maxRecord = 0;
};

std::vector<int> colorWords(quint32 colorRef)
{
    return {int(colorRef & 0xFFFF), int(colorRef >> 16)};
}

std::vector<int> join(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> all;
    for (const auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Text as 16-bit words, padded with NUL to an even length (and to at least minBytes).
std::vector<int> textWords(const QByteArray &text, int minBytes = 0)
{
    QByteArray padded = text;
    if (padded.size() < minBytes)
        padded.append(QByteArray(minBytes - padded.size(), '\0'));
    if (padded.size() % 2)
        padded.append('\0');
    std::vector<int> words;
    for (qsizetype i = 0; i < padded.size(); i += 2)
        words.push_back(quint8(padded[i]) | (quint8(padded[i + 1]) << 8));
    return words;
}

// ---- EMF --------------------------------------------------------------------------------------

class EmfRecords
{
public:
    void record(int type, std::initializer_list<qint32> params)
    {
        m_out.u32(quint32(type));
        m_out.u32(quint32(8 + 4 * params.size()));
        for (const qint32 p : params)
            m_out.u32(quint32(p));
        ++m_count;
    }
    void polygon16(const std::vector<QPoint> &points)
    {
        int left = points[0].x(), right = left, top = points[0].y(), bottom = top;
        for (const QPoint &p : points) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
        m_out.u32(86); // EMR_POLYGON16
        m_out.u32(quint32(28 + 4 * points.size()));
        for (const int v : {left, top, right, bottom})
            m_out.u32(quint32(v));
        m_out.u32(quint32(points.size()));
        for (const QPoint &p : points) {
            m_out.u16(p.x());
            m_out.u16(p.y());
        }
        ++m_count;
    }
    const QByteArray &data() const { return m_out.data(); }
    int count() const { return m_count; }

private:
    LeBytes m_out;
    int m_count = 0;
};

} // namespace

QByteArray wavSound(int milliseconds, int frequency, int sampleRate)
{
    sampleRate = std::clamp(sampleRate, 8000, 96000);
    milliseconds = std::clamp(milliseconds, 1, 600000);
    frequency = std::clamp(frequency, 20, sampleRate / 2);
    const qint64 samples = qint64(sampleRate) * milliseconds / 1000;
    const qint64 fade = std::max<qint64>(1, sampleRate / 100); // 10 ms, so the tone does not click
    LeBytes out;
    out.fourcc("RIFF");
    out.u32(quint32(36 + samples * 2));
    out.fourcc("WAVE");
    out.fourcc("fmt ");
    out.u32(16);
    out.u16(1); // PCM
    out.u16(1); // mono
    out.u32(quint32(sampleRate));
    out.u32(quint32(sampleRate * 2));
    out.u16(2);
    out.u16(16);
    out.fourcc("data");
    out.u32(quint32(samples * 2));
    for (qint64 i = 0; i < samples; ++i) {
        const double envelope = std::min({1.0, double(i) / fade, double(samples - 1 - i) / fade});
        const double v = std::sin(2 * std::numbers::pi * frequency * double(i) / sampleRate);
        out.u16(int(std::lround(12000 * envelope * v)));
    }
    return out.data();
}

QByteArray aviMovie(int frames, int width, int height, int framesPerSecond)
{
    frames = std::clamp(frames, 1, 10000);
    width = std::clamp(width, 8, 1024);
    height = std::clamp(height, 8, 1024);
    framesPerSecond = std::clamp(framesPerSecond, 1, 100);
    const quint32 frameBytes = quint32(width * 4 * height);

    LeBytes out;
    out.fourcc("RIFF");
    const qsizetype riffSize = out.placeholder();
    out.fourcc("AVI ");

    out.fourcc("LIST");
    const qsizetype hdrlSize = out.placeholder();
    const qsizetype hdrlStart = out.size();
    out.fourcc("hdrl");
    out.fourcc("avih");
    out.u32(56);
    out.u32(quint32(1000000 / framesPerSecond));
    out.u32(frameBytes * quint32(framesPerSecond));
    out.u32(0);
    out.u32(0x10); // AVIF_HASINDEX
    out.u32(quint32(frames));
    out.u32(0);
    out.u32(1); // streams
    out.u32(frameBytes);
    out.u32(quint32(width));
    out.u32(quint32(height));
    for (int i = 0; i < 4; ++i)
        out.u32(0);

    out.fourcc("LIST");
    const qsizetype strlSize = out.placeholder();
    const qsizetype strlStart = out.size();
    out.fourcc("strl");
    out.fourcc("strh");
    out.u32(56);
    out.fourcc("vids");
    out.fourcc("DIB ");
    out.u32(0);                        // flags
    out.u16(0);                        // priority
    out.u16(0);                        // language
    out.u32(0);                        // initial frames
    out.u32(1);                        // scale
    out.u32(quint32(framesPerSecond)); // rate: frames per second = rate / scale
    out.u32(0);                        // start
    out.u32(quint32(frames));
    out.u32(frameBytes);
    out.u32(0xFFFFFFFF); // quality: default
    out.u32(0);          // sample size: varies per chunk
    out.u16(0);
    out.u16(0);
    out.u16(width);
    out.u16(height);
    out.fourcc("strf");
    out.u32(40);
    out.u32(40);
    out.u32(quint32(width));
    out.u32(quint32(height)); // positive: bottom-up rows
    out.u16(1);
    out.u16(32);
    out.u32(0); // BI_RGB
    out.u32(frameBytes);
    for (int i = 0; i < 4; ++i)
        out.u32(0);
    out.patch(strlSize, quint32(out.size() - strlStart));
    out.patch(hdrlSize, quint32(out.size() - hdrlStart));

    out.fourcc("LIST");
    const qsizetype moviSize = out.placeholder();
    const qsizetype moviStart = out.size();
    out.fourcc("movi");
    std::vector<quint32> offsets;
    for (int f = 0; f < frames; ++f) {
        offsets.push_back(quint32(out.size() - moviStart));
        out.fourcc("00db");
        out.u32(frameBytes);
        out.bytes(aviFrame(f, frames, width, height));
    }
    out.patch(moviSize, quint32(out.size() - moviStart));

    out.fourcc("idx1");
    out.u32(quint32(16 * frames));
    for (const quint32 offset : offsets) {
        out.fourcc("00db");
        out.u32(0x10); // AVIIF_KEYFRAME
        out.u32(offset);
        out.u32(frameBytes);
    }
    out.patch(riffSize, quint32(out.size() - 8));
    return out.data();
}

QByteArray gifImage(const QImage &image)
{
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF)
        return QByteArray();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();

    // Exact palette while it fits, else the colour cube.
    QList<QRgb> palette;
    QHash<QRgb, int> exact;
    bool transparent = false;
    bool fits = true;
    for (int y = 0; y < h && fits; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) < 128) {
                transparent = true;
                continue;
            }
            const QRgb rgb = line[x] | 0xFF000000u;
            if (!exact.contains(rgb)) {
                if (exact.size() >= 255) { // one index is kept free for transparency
                    fits = false;
                    break;
                }
                exact.insert(rgb, int(palette.size()));
                palette.append(rgb);
            }
        }
    }
    if (!fits) {
        palette.clear();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    palette.append(qRgb(r * 51, g * 51, b * 51));
    }
    const int transparentIndex = int(palette.size());
    if (transparent)
        palette.append(qRgb(0, 0, 0));
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;

    std::vector<quint8> indices;
    indices.reserve(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 128)
                indices.push_back(quint8(transparentIndex));
            else if (fits)
                indices.push_back(quint8(exact.value(p | 0xFF000000u)));
            else
                indices.push_back(quint8(((qRed(p) + 25) / 51) * 36 + ((qGreen(p) + 25) / 51) * 6
                                         + (qBlue(p) + 25) / 51));
        }
    }

    LeBytes out;
    out.bytes(transparent ? QByteArrayLiteral("GIF89a") : QByteArrayLiteral("GIF87a"));
    out.u16(w);
    out.u16(h);
    out.u8(0x80 | ((bits - 1) << 4) | (bits - 1)); // global colour table of 2^bits entries
    out.u8(0);
    out.u8(0);
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.u8(qRed(c));
        out.u8(qGreen(c));
        out.u8(qBlue(c));
    }
    if (transparent) {
        out.u8(0x21);
        out.u8(0xF9);
        out.u8(4);
        out.u8(0x01); // transparent colour given
        out.u16(0);
        out.u8(transparentIndex);
        out.u8(0);
    }
    out.u8(0x2C);
    out.u16(0);
    out.u16(0);
    out.u16(w);
    out.u16(h);
    out.u8(0);
    const int minCodeSize = std::max(2, bits);
    out.u8(minCodeSize);
    out.bytes(lzwEncode(indices, minCodeSize));
    out.u8(0x3B);
    return out.data();
}

QByteArray wmfPicture()
{
    constexpr int kWidth = 4800; // 1440 units per inch: 320 x 240 pixels at 96 dpi
    constexpr int kHeight = 3600;
    WmfRecords r;
    r.record(0x0103, {8});               // SETMAPMODE MM_ANISOTROPIC
    r.record(0x020B, {0, 0});            // SETWINDOWORG y, x
    r.record(0x020C, {kHeight, kWidth}); // SETWINDOWEXT y, x
    // Objects take table slots 0..6 in creation order and live to the end.
    r.record(0x02FA, join({{0, 15, 0}, colorWords(0x000000)})); // pen 0: black
    r.record(0x02FA, join({{0, 60, 0}, colorWords(0x204060)})); // pen 1: wide, brown
    r.record(0x02FC, join({{0}, colorWords(0xF0F8FF), {0}}));   // brush 2: near white
    r.record(0x02FC, join({{0}, colorWords(0xC06020), {0}}));   // brush 3: blue
    r.record(0x02FC, join({{0}, colorWords(0x2020E0), {0}}));   // brush 4: red
    r.record(0x02FC, join({{0}, colorWords(0x30A030), {0}}));   // brush 5: green
    // font 6: LOGFONT16, Arial, a quarter of an inch
    r.record(0x02FB, join({{-360 & 0xFFFF, 0, 0, 0, 700, 0, 0, 0, 0}, textWords("Arial", 32)}));
    r.record(0x012D, {0});
    r.record(0x012D, {2});
    r.record(0x041B, {kHeight - 30, kWidth - 30, 30, 30}); // RECTANGLE b, r, t, l
    r.record(0x012D, {6});
    r.record(0x0209, colorWords(0x000080)); // SETTEXTCOLOR
    r.record(0x0102, {1});                  // SETBKMODE TRANSPARENT
    const QByteArray text("VELT demo WMF");
    r.record(0x0521, join({{int(text.size())}, textWords(text), {150, 300}})); // TEXTOUT y, x
    r.record(0x012D, {3});
    r.record(0x041B, {2300, 2100, 700, 300});
    r.record(0x012D, {4});
    r.record(0x0418, {2400, 4400, 700, 2500}); // ELLIPSE b, r, t, l
    r.record(0x012D, {5});
    r.record(0x0324, {3, 1200, 2500, 2600, 3400, 400, 3400}); // POLYGON n, x, y...
    r.record(0x012D, {1});
    r.record(0x0214, {3300, 2900}); // MOVETO y, x
    r.record(0x0213, {2700, 4500}); // LINETO y, x
    for (int slot = 6; slot >= 0; --slot)
        r.record(0x01F0, {slot}); // DELETEOBJECT
    r.record(0x0000, {});         // EOF

    LeBytes out;
    out.u32(0x9AC6CDD7);
    out.u16(0);
    for (const int v : {0, 0, kWidth, kHeight})
        out.u16(v);
    out.u16(1440);
    out.u32(0);
    int checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= quint8(out.data()[2 * i]) | (quint8(out.data()[2 * i + 1]) << 8);
    out.u16(checksum);

    const quint32 totalWords = quint32(9 + r.words().size());
    out.u16(1); // in memory
    out.u16(9); // header words
    out.u16(0x0300);
    out.u32(totalWords);
    out.u16(7); // objects
    out.u32(quint32(r.maxRecord()));
    out.u16(0);
    for (const int word : r.words())
        out.u16(word);
    return out.data();
}

QByteArray emfPicture()
{
    // 384 x 288 pixels on a 96 dpi reference device of 1920 x 1440 pixels = 508 x 381 mm.
    constexpr int kWidth = 384;
    constexpr int kHeight = 288;
    EmfRecords r;
    r.record(38, {1, 0, 2, 0, 0x000000}); // CREATEPEN ih, style, width.x, width.y, colour
    r.record(38, {2, 0, 4, 0, 0x204060});
    r.record(39, {3, 0, 0xFFF8F0, 0}); // CREATEBRUSHINDIRECT ih, style, colour, hatch
    r.record(39, {4, 0, 0x20A0E0, 0});
    r.record(39, {5, 0, 0xA03080, 0});
    r.record(39, {6, 0, 0x30A030, 0});
    r.record(37, {1}); // SELECTOBJECT
    r.record(37, {3});
    r.record(43, {2, 2, kWidth - 3, kHeight - 3}); // RECTANGLE l, t, r, b
    r.record(37, {4});
    r.record(43, {24, 24, 168, 144});
    r.record(37, {5});
    r.record(42, {200, 40, 360, 170}); // ELLIPSE
    r.record(37, {6});
    r.polygon16({{100, 160}, {200, 270}, {30, 270}});
    r.record(37, {2});
    r.record(27, {220, 260});            // MOVETOEX
    r.record(54, {360, 200});            // LINETO
    r.record(37, {qint32(0x80000007u)}); // stock BLACK_PEN, so the pens can go
    r.record(37, {qint32(0x80000000u)}); // stock WHITE_BRUSH
    for (int ih = 1; ih <= 6; ++ih)
        r.record(40, {ih});    // DELETEOBJECT
    r.record(14, {0, 16, 20}); // EOF: no palette; nSizeLast = this record's size

    constexpr int kHeaderBytes = 108;
    LeBytes out;
    out.u32(1); // EMR_HEADER
    out.u32(kHeaderBytes);
    for (const int v : {0, 0, kWidth - 1, kHeight - 1}) // bounds, device units, inclusive
        out.u32(quint32(v));
    for (const int v : {0, 0, kWidth * 2540 / 96, kHeight * 2540 / 96}) // frame, 0.01 mm
        out.u32(quint32(v));
    out.u32(0x464D4520); // " EMF"
    out.u32(0x10000);
    out.u32(quint32(kHeaderBytes + r.data().size()));
    out.u32(quint32(1 + r.count()));
    out.u16(7); // handles: six objects and the reserved index 0
    out.u16(0);
    out.u32(0); // no description
    out.u32(0);
    out.u32(0); // no palette
    out.u32(1920);
    out.u32(1440);
    out.u32(508);
    out.u32(381);
    out.u32(0); // no pixel format
    out.u32(0);
    out.u32(0); // not OpenGL
    out.u32(508000);
    out.u32(381000);
    out.bytes(r.data());
    return out.data();
}

} // namespace velt
