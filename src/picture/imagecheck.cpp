#include "picture/imagecheck.h"

#include "browser/bodycheck.h"
#include "browser/entryfile.h"
#include "platform/namebytes.h"

#include <QCoreApplication>
#include <QFile>

namespace velt {

namespace {

constexpr quint8 kGifFirst = 0x47;
constexpr quint8 kGifTrailer = 0x3B;
constexpr quint8 kJpegFirst = 0xFF;
constexpr quint8 kJpegLast = 0xD9;
constexpr quint8 kJxlSecond = 0x0A; // a JPEG XL codestream starts FF 0A
constexpr quint8 kBmpFirst = 0x42;
constexpr quint8 kBmpSecond = 0x4D;

std::optional<quint8> readByteAt(QFile &file, qint64 offset)
{
    char c = 0;
    if (!file.seek(offset) || file.read(&c, 1) != 1)
        return std::nullopt;
    return static_cast<quint8>(c);
}

struct FormatResult
{
    const char *name;
    CheckResult result;
};

// The report's format names, as the headlines write them.
constexpr FormatResult kFormatResults[] = {
        {"Gif", CheckResult::GifDamaged},   {"Jpeg", CheckResult::JpegDamaged},
        {"Bmp", CheckResult::BmpDamaged},   {"Png", CheckResult::PngDamaged},
        {"Webp", CheckResult::WebpDamaged}, {"Avif", CheckResult::AvifDamaged},
        {"Svg", CheckResult::SvgDamaged},   {"Ico", CheckResult::IcoDamaged},
        {"Wmf", CheckResult::WmfDamaged},   {"Emf", CheckResult::EmfDamaged},
        {"Heif", CheckResult::HeifDamaged}, {"Jxl", CheckResult::JxlDamaged},
};

// The picture formats told apart by their first bytes whose structure shows their end.
enum class BoxFormat { None, Avif, Heif, JxlContainer };

BoxFormat boxFormatOf(const QByteArray &head)
{
    static const QByteArray jxlContainer("\0\0\0\x0cJXL \r\n\x87\n", 12);
    if (head.startsWith(jxlContainer))
        return BoxFormat::JxlContainer;
    if (head.size() < 16 || head.mid(4, 4) != "ftyp")
        return BoxFormat::None;
    const qsizetype end = qMin<qsizetype>(be32(head, 0), head.size());
    bool heif = false;
    // The major brand at 8, the minor version at 12, the compatible brands from 16.
    for (qsizetype at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        const QByteArray brand = head.mid(at, 4);
        if (brand == "avif" || brand == "avis")
            return BoxFormat::Avif;
        if (brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx"
            || brand == "heim" || brand == "heis" || brand == "mif1" || brand == "msf1")
            heif = true;
    }
    return heif ? BoxFormat::Heif : BoxFormat::None;
}

CheckResult damagedResultFor(const QString &formatName)
{
    for (const FormatResult &f : kFormatResults) {
        if (formatName == QLatin1String(f.name))
            return f.result;
    }
    return CheckResult::Unreadable;
}

} // namespace

std::optional<CheckBytes> readCheckBytes(const QString &path)
{
    // A FIFO or device would block or never end: only regular files are read.
    QFile file;
    if (!openRegularFile(path, file))
        return std::nullopt;
    const qint64 length = file.size();
    if (length <= 0)
        return std::nullopt;

    CheckBytes bytes;
    const auto first = readByteAt(file, 0);
    if (!first)
        return std::nullopt;
    bytes.first = *first;
    if (length >= 2) {
        const auto second = readByteAt(file, 1);
        if (!second)
            return std::nullopt;
        bytes.second = *second;
    }
    const auto last = readByteAt(file, length - 1);
    if (!last)
        return std::nullopt;
    bytes.last = *last;
    return bytes;
}

CheckResult classifyCheckBytes(CheckBytes bytes)
{
    if (bytes.first == kGifFirst && bytes.last != kGifTrailer)
        return CheckResult::GifDamaged;
    if (bytes.first == kJpegFirst && bytes.second != kJxlSecond && bytes.last != kJpegLast)
        return CheckResult::JpegDamaged;
    if (bytes.first == kBmpFirst && bytes.second != kBmpSecond)
        return CheckResult::BmpDamaged;
    return CheckResult::Passes;
}

CheckResult checkStructure(const QString &path)
{
    QFile file;
    if (!openRegularFile(path, file))
        return CheckResult::Passes;
    const QByteArray head = file.read(64);
    file.close();
    switch (boxFormatOf(head)) {
    case BoxFormat::Avif:
        return formatEndIntact(path, QStringLiteral("avif")) ? CheckResult::Passes
                                                             : CheckResult::AvifDamaged;
    case BoxFormat::Heif:
        return formatEndIntact(path, QStringLiteral("heif")) ? CheckResult::Passes
                                                             : CheckResult::HeifDamaged;
    case BoxFormat::JxlContainer:
        return formatEndIntact(path, QStringLiteral("jxl")) ? CheckResult::Passes
                                                            : CheckResult::JxlDamaged;
    case BoxFormat::None:
        break;
    }
    return CheckResult::Passes;
}

CheckOutcome checkImageFile(const QString &path)
{
    CheckOutcome outcome;
    const auto bytes = readCheckBytes(path);
    if (!bytes)
        return outcome;
    outcome.result = classifyCheckBytes(*bytes);
    // Box formats start with a small box ('ftyp', or JPEG XL's signature box), whose size's
    // first byte is 0: no other file is opened twice.
    if (outcome.result == CheckResult::Passes && bytes->first == 0)
        outcome.result = checkStructure(path);
    const QDateTime modified = fileStatus(path).modified;
    if (modified.isValid())
        outcome.modified = modified;
    return outcome;
}

std::optional<bool> PictureCheck(const QString &path)
{
    const auto bytes = readCheckBytes(path);
    if (!bytes)
        return std::nullopt;
    if (classifyCheckBytes(*bytes) != CheckResult::Passes)
        return false;
    return bytes->first != 0 || checkStructure(path) == CheckResult::Passes;
}

CheckOutcome checkImageFile(const QString &path, const SourceTable &sources)
{
    const FileStatus status = fileStatus(path);
    const auto facts = sources.lookup(path, status);
    if (!facts)
        return checkImageFile(path);
    CheckOutcome outcome;
    outcome.modified = status.modified;
    outcome.result = facts->cut ? damagedResultFor(facts->format) : CheckResult::Passes;
    return outcome;
}

std::optional<bool> PictureCheck(const QString &path, const SourceTable &sources)
{
    const auto facts = sources.lookup(path);
    if (!facts)
        return PictureCheck(path);
    return !facts->cut;
}

QString checkReportHeadline(CheckResult result, bool translated)
{
    const auto text = [translated](const char *source) {
        return translated ? QCoreApplication::translate("Messages", source)
                          : QString::fromUtf8(source);
    };
    switch (result) {
    case CheckResult::GifDamaged:
        return text(QT_TRANSLATE_NOOP(
                "Messages", "<Gifフォーマット> 画像データが不正ですので読み込みを中止します。"));
    case CheckResult::JpegDamaged:
        return text(QT_TRANSLATE_NOOP(
                "Messages", "<Jpegフォーマット> 画像データが不正ですので読み込みを中止します。"));
    case CheckResult::BmpDamaged:
        return text(QT_TRANSLATE_NOOP(
                "Messages", "<Bmpフォーマット> 画像データが不正ですので読み込みを中止します。"));
    case CheckResult::Passes:
    case CheckResult::Unreadable:
        return text(QT_TRANSLATE_NOOP(
                "Messages", "<不明フォーマット> 画像データが不正ですので読み込みを中止します。"));
    default:
        break;
    }
    for (const FormatResult &f : kFormatResults) {
        if (f.result == result)
            return text(QT_TRANSLATE_NOOP(
                                "Messages",
                                "<%1フォーマット> 画像データが不正ですので読み込みを中止します。"))
                    .arg(QLatin1String(f.name));
    }
    return text(QT_TRANSLATE_NOOP(
            "Messages", "<不明フォーマット> 画像データが不正ですので読み込みを中止します。"));
}

QString checkReportTimeText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd  HH:mm:ss"));
}

QString checkReportText(CheckResult result, const QString &fn,
                        const std::optional<QDateTime> &modified)
{
    const QStringList lines{
            checkReportHeadline(result),
            QCoreApplication::translate(
                    "Messages",
                    "この画像データをロード中に、他のサイトに移動したか中止したと思われます。"),
            QStringLiteral("-----------------------------------------------------------"),
            QCoreApplication::translate("Messages", "ファイル名  ") + displayFileName(fn),
            QCoreApplication::translate("Messages", "日時　　　  ")
                    + (modified ? checkReportTimeText(*modified) : QString()),
    };
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace velt
