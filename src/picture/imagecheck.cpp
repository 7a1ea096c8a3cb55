#include "picture/imagecheck.h"

#include "platform/namebytes.h"

#include <QCoreApplication>
#include <QFile>

namespace velt {

namespace {

constexpr quint8 kGifFirst = 0x47;
constexpr quint8 kGifTrailer = 0x3B;
constexpr quint8 kJpegFirst = 0xFF;
constexpr quint8 kJpegLast = 0xD9;
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
};

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
    if (bytes.first == kJpegFirst && bytes.last != kJpegLast)
        return CheckResult::JpegDamaged;
    if (bytes.first == kBmpFirst && bytes.second != kBmpSecond)
        return CheckResult::BmpDamaged;
    return CheckResult::Passes;
}

CheckOutcome checkImageFile(const QString &path)
{
    CheckOutcome outcome;
    const auto bytes = readCheckBytes(path);
    if (!bytes)
        return outcome;
    outcome.result = classifyCheckBytes(*bytes);
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
    return classifyCheckBytes(*bytes) == CheckResult::Passes;
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
