#pragma once

// A corpus of hostile picture files, made at run time: truncations of every format at many
// points, tiny files, signature confusions, declared-size bombs, damaged length fields and bit
// flips, and files with awkward names. Deterministic: the same list on every run.

#include "picture/picturefiles.h"

#include <QList>
#include <QStringEncoder>

#include <algorithm>
#include <random>

namespace hostilefiles {

struct HostileFile
{
    QByteArray name; // the file name's bytes, not always valid UTF-8
    QByteArray content;
};

inline quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void putBigU32(QByteArray &out, qsizetype at, quint32 v)
{
    for (int k = 0; k < 4; ++k)
        out[at + k] = char(v >> (24 - 8 * k));
}

// A PNG whose header chunk declares another size, with its checksum made right again.
inline QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray png = picturefiles::encoded(picturefiles::pattern({16, 16}), "PNG");
    putBigU32(png, 16, width);
    putBigU32(png, 20, height);
    putBigU32(png, 29, crc32(png.mid(12, 17)));
    return png;
}

inline QByteArray jpegDeclaring(quint16 width, quint16 height)
{
    QByteArray jpeg = picturefiles::encoded(picturefiles::pattern({16, 16}), "JPG");
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

inline QByteArray patched32(QByteArray bytes, qsizetype at, quint32 v)
{
    if (at + 4 <= bytes.size())
        qToLittleEndian(v, bytes.data() + at);
    return bytes;
}

inline QByteArray patched16(QByteArray bytes, qsizetype at, quint16 v)
{
    if (at + 2 <= bytes.size())
        qToLittleEndian(v, bytes.data() + at);
    return bytes;
}

// An EMF of many small records: an SVG of as many elements.
inline QByteArray emfOfManyRecords(int records)
{
    QByteArray base = picturefiles::emf(200, 100);
    const QByteArray header = base.left(88);
    const QByteArray rectangle = base.mid(88, 24);
    const QByteArray eof = base.right(20);
    QByteArray out = header + rectangle.repeated(records) + eof;
    out = patched32(out, 48, quint32(out.size()));
    return patched32(out, 52, quint32(records + 2));
}

inline QList<HostileFile> corpus()
{
    using namespace picturefiles;
    QList<HostileFile> files;
    const auto add = [&files](const QByteArray &name, const QByteArray &content) {
        files.append({QByteArray::number(files.size()) + "-" + name, content});
    };

    const QImage image = pattern({40, 30});
    QStringEncoder sjis("CP932");
    const QByteArray japanese = sjis(QStringLiteral("日本語"));
    const struct
    {
        const char *name;
        QByteArray content;
    } bases[] = {
            {"jpeg.jpg", encoded(image, "JPG")},
            {"progressive.jpg", encoded(pattern({64, 48}), "JPG", 30)},
            {"png.png", encoded(image, "PNG")},
            {"gif.gif", gif({40, 30})},
            {"bmp.bmp", encoded(image, "BMP")},
            {"ico.ico", encoded(pattern({32, 32}), "ICO")},
            {"wmf.wmf", wmf(2880, 1440, 1440, japanese)},
            {"plain.wmf", wmf(1440, 1440, 1440, {}, false)},
            {"emf.emf", emf(200, 100)},
            {"ppm.jpg", encoded(image, "PPM")},
            {"xpm.jpg", encoded(pattern({8, 8}), "XPM")},
    };

    std::mt19937 random(15);
    for (const auto &base : bases) {
        const QByteArray &content = base.content;
        const qsizetype size = content.size();
        // Cut at the start of every structure and at sixteenths of the whole.
        QList<qsizetype> cuts{1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 18, 22, 24, 32, 40, 44, 48, 64, 88};
        for (int k = 1; k < 16; ++k)
            cuts << size * k / 16;
        cuts << size - 2 << size - 1;
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        for (const qsizetype cut : cuts) {
            if (cut > 0 && cut < size)
                add("cut" + QByteArray::number(cut) + "-" + base.name, content.left(cut));
        }
        // Single damaged bytes, in the headers mostly.
        for (int k = 0; k < 12; ++k) {
            QByteArray flipped = content;
            const qsizetype at = k < 8 ? qsizetype(random() % std::min<qsizetype>(size, 64))
                                       : qsizetype(random() % size);
            flipped[at] = char(k % 2 ? 0xFF : flipped[at] ^ (1 << (random() % 8)));
            add("flip" + QByteArray::number(k) + "-" + base.name, flipped);
        }
    }

    // Tiny files: the first bytes of each signature.
    for (const QByteArray &tiny :
         {QByteArray(), QByteArray("G"), QByteArray("GI"), QByteArray("GIF"), QByteArray("\xFF"),
          QByteArray("\xFF\xD8"), QByteArray("\xFF\xD8\xFF"), QByteArray("B"), QByteArray("BM"),
          QByteArray("BA"), QByteArray("\x89"), QByteArray("\x89PN"), QByteArray("\0\0\1\0", 4),
          QByteArray("\xD7\xCD\xC6\x9A"), QByteArray("\1\0\0\0", 4), QByteArray("P6"),
          QByteArray("/* XPM */"), QByteArray(";"), QByteArray("\xD9")})
        add("tiny.jpg", tiny);

    // One format's signature before another's body.
    const QByteArray jpeg = encoded(image, "JPG");
    const QByteArray png = encoded(image, "PNG");
    const QByteArray bmp = encoded(image, "BMP");
    const QByteArray gifFile = gif({40, 30});
    const QByteArray emfFile = emf(200, 100);
    const QByteArray wmfFile = wmf(1440, 1440, 1440);
    add("gif-head-jpeg-body.gif", "GIF89a" + jpeg.mid(6));
    add("jpeg-head-png-body.jpg", jpeg.left(4) + png.mid(4));
    add("bm-head-gif-body.bmp", "BM" + gifFile.mid(2));
    add("png-head-bmp-body.png", png.left(8) + bmp.mid(8));
    add("wmf-magic-emf-body.wmf", wmfFile.left(22) + emfFile);
    add("emf-head-wmf-body.emf", emfFile.left(44) + wmfFile);
    add("ico-head-jpeg.ico", QByteArray("\0\0\1\0\1\0", 6) + jpeg);
    add("png-named.jpg", png);
    add("ff-text-d9.jpg", "\xFF this is text \xD9");
    add("g-text-semicolon.gif", "G is for garbage;");
    add("svg.jpg", "<svg xmlns='http://www.w3.org/2000/svg' width='99999' height='99999'/>");
    add("html.jpg", "<html><body>404 Not Found</body></html>");

    // Declared sizes far beyond the data.
    add("jpeg-65500.jpg", jpegDeclaring(65500, 65500));
    add("jpeg-20000.jpg", jpegDeclaring(20000, 20000));
    add("png-100000.png", pngDeclaring(100000, 100000));
    add("png-2G-wide.png", pngDeclaring(0x7FFFFFFF, 1));
    add("png-1x1000000.png", pngDeclaring(1, 1000000));
    QByteArray bigGif = gif({4, 4});
    for (const qsizetype at : {6, 8, 24, 26})
        bigGif = patched16(bigGif, at, 65535);
    add("gif-65535.gif", bigGif);
    add("bmp-wide.bmp", patched32(bmp, 18, 1u << 30));
    add("bmp-tall.bmp", patched32(bmp, 22, 1u << 30));
    add("bmp-most-negative.bmp", patched32(bmp, 22, 0x80000000u));
    add("bmp-30000-square.bmp", patched32(patched32(bmp, 18, 30000), 22, 30000));
    const QByteArray ico = encoded(pattern({32, 32}), "ICO");
    add("ico-65535-entries.ico", patched16(ico, 4, 65535));
    add("ico-entry-beyond.ico", patched32(ico, 18, 0x7FFFFFF0));
    add("ico-entry-huge.ico", patched32(ico, 14, 0x7FFFFFF0));
    add("ppm-65535.jpg", QByteArray("P6\n65535 65535\n255\n") + QByteArray(64, 'x'));
    add("pgm-deep.jpg", QByteArray("P5 100000 100000 65535\n") + QByteArray(64, 'x'));
    add("xpm-30000.jpg", "/* XPM */\nstatic const char *x[] = {\"30000 30000 1 1\",\" c #000\"};");
    add("wmf-32767-inches.wmf", wmf(32767, 32767, 1));
    add("emf-huge-bounds.emf", patched32(patched32(emfFile, 16, 0x7FFFFFFF), 20, 0x7FFFFFFF));
    add("emf-huge-frame.emf", patched32(patched32(emfFile, 32, 0x7FFFFFFF), 36, 0x7FFFFFFF));
    // Each record becomes an SVG element: far more than may be parsed.
    add("emf-element-bomb.emf", emfOfManyRecords(300000));

    // Length fields that lie.
    add("png-chunk-length.png", [&] {
        QByteArray p = png;
        putBigU32(p, 8, 0xFFFFFFF0u);
        return p;
    }());
    const qsizetype app0 = jpeg.indexOf(QByteArray("\xFF\xDB", 2));
    for (const quint16 length : {quint16(0), quint16(1), quint16(0xFFFF)}) {
        QByteArray j = jpeg;
        j[app0 + 2] = char(length >> 8);
        j[app0 + 3] = char(length & 0xFF);
        add("jpeg-segment-length-" + QByteArray::number(length) + ".jpg", j);
    }
    for (const char codeSize : {char(0), char(12), char(31)}) {
        QByteArray g = gifFile;
        g[19 + 10] = codeSize; // after the 6-byte table and the image descriptor
        add("gif-code-size-" + QByteArray::number(int(codeSize)) + ".gif", g);
    }
    add("gif-block-beyond.gif", [&] {
        QByteArray g = gifFile;
        g[19 + 11] = char(0xFF);
        return g;
    }());
    add("bmp-pixels-beyond.bmp", patched32(bmp, 10, 0xFFFFFFF0u));
    add("bmp-0-bits.bmp", patched16(bmp, 28, 0));
    add("bmp-64-bits.bmp", patched16(bmp, 28, 64));
    add("bmp-compression-99.bmp", patched32(bmp, 30, 99));
    add("bmp-rle8-garbage.bmp", patched32(patched16(bmp, 28, 8), 30, 1) + QByteArray(256, '\0'));
    add("bmp-palette-2G.bmp", patched32(patched16(bmp, 28, 8), 46, 0x7FFFFFFF));
    add("ico-no-entries.ico", patched16(ico, 4, 0));
    for (const quint32 words : {0u, 1u, 2u, 0xFFFFFFFFu}) {
        add("wmf-record-" + QByteArray::number(words) + ".wmf", patched32(wmfFile, 22 + 18, words));
        add("emf-record-" + QByteArray::number(words) + ".emf", patched32(emfFile, 88 + 4, words));
    }
    add("wmf-65535-objects.wmf", patched16(wmfFile, 22 + 10, 65535));
    add("wmf-max-record.wmf", patched32(wmfFile, 22 + 12, 0xFFFFFFFFu));
    add("emf-size-huge.emf", patched32(emfFile, 48, 0xFFFFFFF0u));
    add("emf-no-records.emf", patched32(emfFile, 52, 0));

    // Awkward names on a good picture.
    for (const QByteArray &name :
         {QByteArray("-starts-with-dash.jpg"), QByteArray("--check.jpg"),
          QByteArray("new\nline.jpg"), QByteArray("tab\there.jpg"),
          QByteArray("carriage\rreturn.jpg"), QByteArray("back\\slash.jpg"),
          QByteArray(" spaces .jpg"), QByteArray("\x01\x1b[31mred.jpg"),
          QStringLiteral("日本語の名前.jpg").toUtf8(), QByteArray("caf\xE9.jpg"),
          QByteArray("\x82\xA0.jpg"), QByteArray(200, 'n') + ".jpg", QByteArray("$(echo x).jpg"),
          QByteArray("'quote\".jpg")})
        files.append({name, jpeg}); // as it stands: no number in front
    return files;
}

} // namespace hostilefiles
