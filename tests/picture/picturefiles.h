#pragma once

// Picture files for tests, made at run time: Qt's writers for JPEG, PNG, BMP and ICO, and the
// GIF, WMF and EMF formats written by hand.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtEndian>

namespace picturefiles {

// Every pixel differs from its neighbours, so a 1:1 copy can be told from an offset one.
inline QImage pattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256 + y / 256 * 16) % 256));
    return image;
}

inline QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The same, with the given modification time (set after the data is flushed).
inline bool writeDated(const QString &path, const QByteArray &bytes,
                       const QDateTime &time = QDateTime(QDate(2026, 12, 1), QTime(10, 0)))
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
            && file.setFileTime(time, QFileDevice::FileModificationTime);
}

// A JPEG of one colour, and whether a decoded pixel is that colour within JPEG's error.
inline QByteArray plainJpeg(QColor colour, QSize size = {32, 24})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return encoded(image, "JPG", 95);
}

inline bool nearColour(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 12 && qAbs(a.green() - b.green()) < 12
            && qAbs(a.blue() - b.blue()) < 12;
}

inline void putU16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

inline void putU32(QByteArray &out, quint32 v)
{
    putU16(out, quint16(v & 0xFFFF));
    putU16(out, quint16(v >> 16));
}

// A GIF of the given size, all pixels black. The LZW stream uses 3-bit codes only: a clear code
// after every two pixels keeps the table from growing.
inline QByteArray gif(QSize size)
{
    QByteArray out("GIF89a");
    putU16(out, quint16(size.width()));
    putU16(out, quint16(size.height()));
    out.append(char(0x80)).append(char(0)).append(char(0)); // two-colour global table
    out.append(QByteArray::fromHex("000000FFFFFF"));
    out.append(char(0x2C));
    putU16(out, 0);
    putU16(out, 0);
    putU16(out, quint16(size.width()));
    putU16(out, quint16(size.height()));
    out.append(char(0));
    out.append(char(2)); // minimum code size: clear = 4, end = 5

    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const qint64 pixels = qint64(size.width()) * size.height();
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            putCode(4);
        putCode(0);
    }
    putCode(5);
    if (bitCount > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size())).append(block);
    }
    out.append(char(0));
    out.append(';');
    return out;
}

// A WMF record: size in 16-bit words, function, parameters.
inline QByteArray wmfRecord(quint16 function, const QList<qint16> &words,
                            const QByteArray &raw = {})
{
    QByteArray body;
    for (qint16 w : words)
        putU16(body, quint16(w));
    body.append(raw);
    if (body.size() % 2)
        body.append(char(0));
    QByteArray out;
    putU32(out, quint32(3 + body.size() / 2));
    putU16(out, function);
    return out + body;
}

// A placeable WMF of width x height logical units at unitsPerInch, with a red rectangle and,
// when text is given, the text (bytes as they stand, e.g. Shift-JIS) in a Japanese font.
inline QByteArray wmf(int width, int height, int unitsPerInch, const QByteArray &text = {},
                      bool placeable = true)
{
    QByteArray records = wmfRecord(0x020B, {0, 0})                // SetWindowOrg(y, x)
            + wmfRecord(0x020C, {qint16(height), qint16(width)}); // SetWindowExt(h, w)
    QByteArray brush;
    putU16(brush, 0);
    putU32(brush, 0x0000FF);
    putU16(brush, 0);
    records += wmfRecord(0x02FC, {}, brush) + wmfRecord(0x012D, {0});
    records += wmfRecord(
            0x041B,
            {qint16(height * 3 / 4), qint16(width * 3 / 4), qint16(height / 4), qint16(width / 4)});
    quint16 objects = 1;
    if (!text.isEmpty()) {
        QByteArray font;
        for (qint16 v : {qint16(-height / 8), qint16(0), qint16(0), qint16(0), qint16(400)})
            putU16(font, quint16(v));
        font.append(QByteArray::fromHex("00000080"
                                        "00000000"));
        font.append(QByteArray("MS Gothic").leftJustified(32, '\0'));
        records += wmfRecord(0x02FB, {}, font) + wmfRecord(0x012D, {1});
        QByteArray textOut = text;
        if (textOut.size() % 2)
            textOut.append(char(0));
        putU16(textOut, quint16(height / 2));
        putU16(textOut, quint16(width / 8));
        records += wmfRecord(0x0521, {qint16(text.size())}, textOut);
        objects = 2;
    }
    records += wmfRecord(0x0000, {});

    quint32 largest = 0;
    for (qsizetype at = 0; at + 4 <= records.size();) {
        const quint32 words = qFromLittleEndian<quint32>(records.constData() + at);
        largest = qMax(largest, words);
        at += qsizetype(words) * 2;
    }
    QByteArray header;
    putU16(header, 1);
    putU16(header, 9);
    putU16(header, 0x0300);
    putU32(header, quint32(9 + records.size() / 2));
    putU16(header, objects);
    putU32(header, largest);
    putU16(header, 0);
    if (!placeable)
        return header + records;

    QByteArray prefix;
    putU32(prefix, 0x9AC6CDD7);
    putU16(prefix, 0);
    for (int v : {0, 0, width, height})
        putU16(prefix, quint16(v));
    putU16(prefix, quint16(unitsPerInch));
    putU32(prefix, 0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(prefix.constData() + 2 * i);
    putU16(prefix, checksum);
    return prefix + header + records;
}

// An EMF of width x height pixels with one rectangle.
inline QByteArray emf(int width, int height)
{
    QByteArray rectangle;
    putU32(rectangle, 43); // EMR_RECTANGLE
    putU32(rectangle, 24);
    for (int v : {10, 10, width - 10, height - 10})
        putU32(rectangle, quint32(v));
    QByteArray eof;
    for (quint32 v : {14u, 20u, 0u, 16u, 20u}) // EMR_EOF
        putU32(eof, v);

    QByteArray header;
    putU32(header, 1); // EMR_HEADER
    putU32(header, 88);
    for (int v : {0, 0, width - 1, height - 1}) // bounds, pixels
        putU32(header, quint32(v));
    for (int v : {0, 0, width * 26, height * 26}) // frame, 0.01 mm
        putU32(header, quint32(v));
    putU32(header, 0x464D4520); // " EMF"
    putU32(header, 0x10000);
    putU32(header, quint32(88 + rectangle.size() + eof.size()));
    putU32(header, 3);
    putU16(header, 1);
    putU16(header, 0);
    for (quint32 v : {0u, 0u, 0u, 1024u, 768u, 270u, 203u})
        putU32(header, v);
    return header + rectangle + eof;
}

} // namespace picturefiles
