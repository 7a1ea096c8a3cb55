#include "browser/bodycheck.h"

#include "browser/entryfile.h"

#include <functional>

namespace velt {

namespace {

// Padding that some writers leave after a picture's real end.
bool isPadding(char c)
{
    return c == '\0' || c == '\r' || c == '\n' || c == ' ';
}

bool jpegEnds(EntryFile &file)
{
    const qint64 tailLength = qMin<qint64>(file.size(), 64);
    const auto tail = file.read(file.size() - tailLength, tailLength);
    if (!tail)
        return false;
    qsizetype end = tail->size();
    while (end > 0 && isPadding((*tail)[end - 1]))
        --end;
    return end >= 2 && quint8((*tail)[end - 2]) == 0xFF && quint8((*tail)[end - 1]) == 0xD9;
}

bool gifEnds(EntryFile &file)
{
    const auto last = file.read(file.size() - 1, 1);
    return last && (*last)[0] == ';';
}

bool pngEnds(EntryFile &file)
{
    static const QByteArray iend("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
    return file.read(file.size() - iend.size(), iend.size()) == iend;
}

bool riffEnds(EntryFile &file)
{
    const auto header = file.read(0, 8);
    if (!header)
        return false;
    const qint64 declared = qint64(le32(*header, 4)) + 8;
    // A chunk of odd size is padded to even; some writers leave the pad byte out.
    return file.size() >= declared;
}

bool bmpEnds(EntryFile &file)
{
    const auto header = file.read(0, 6);
    if (!header)
        return false;
    const qint64 declared = le32(*header, 2);
    // Some writers put 0 there; then nothing can be told.
    return declared == 0 || file.size() >= declared;
}

// seen, when given, is told each box's type and where it starts.
bool isoBoxesEnd(EntryFile &file,
                 const std::function<void(const QByteArray &type, qint64 at)> &seen = {})
{
    qint64 at = 0;
    for (int boxes = 0; at < file.size() && boxes < 100000; ++boxes) {
        const auto header = file.read(at, 8);
        if (!header)
            return false; // a box header cut in half
        if (seen)
            seen(header->mid(4, 4), at);
        qint64 size = be32(*header, 0);
        if (size == 0)
            return true; // the last box runs to the end of the file
        if (size == 1) {
            const auto large = file.read(at + 8, 8);
            if (!large)
                return false;
            const quint64 value = quint64(be32(*large, 0)) << 32 | be32(*large, 4);
            if (value < 16 || value > quint64(1) << 62)
                return false;
            size = qint64(value);
        } else if (size < 8) {
            return false;
        }
        if (size > file.size() - at)
            return false;
        at += size;
    }
    return at == file.size();
}

// A JPEG XL container: its boxes reach the end, and a codestream split into parts ('jxlp')
// has its last part, the one whose index has the top bit set.
bool jxlContainerEnds(EntryFile &file)
{
    qint64 lastPart = -1;
    const bool boxesEnd = isoBoxesEnd(file, [&](const QByteArray &type, qint64 at) {
        if (type == "jxlp")
            lastPart = at;
    });
    if (!boxesEnd)
        return false;
    if (lastPart < 0)
        return true;
    const auto index = file.read(lastPart + 8, 4);
    return index && (be32(*index, 0) & 0x80000000u) != 0;
}

} // namespace

bool formatEndIntact(const QString &path, const QString &extension)
{
    EntryFile file(path);
    if (!file.isOpen() || file.size() == 0)
        return false;
    const QString ext = extension.toLower();
    if (ext == QLatin1String("jpg"))
        return jpegEnds(file);
    if (ext == QLatin1String("gif"))
        return gifEnds(file);
    if (ext == QLatin1String("png"))
        return pngEnds(file);
    if (ext == QLatin1String("webp") || ext == QLatin1String("wav") || ext == QLatin1String("avi"))
        return riffEnds(file);
    if (ext == QLatin1String("bmp"))
        return bmpEnds(file);
    if (ext == QLatin1String("mp4") || ext == QLatin1String("m4v") || ext == QLatin1String("m4a")
        || ext == QLatin1String("mov") || ext == QLatin1String("avif")
        || ext == QLatin1String("heif") || ext == QLatin1String("heic"))
        return isoBoxesEnd(file);
    if (ext == QLatin1String("jxl"))
        return jxlContainerEnds(file);
    return true;
}

} // namespace velt
