#include "picture/pictureloader.h"

#include "app/mediatype.h"
#include "picture/metafileformat.h"
#include "picture/metafileraster.h"
#include "platform/namebytes.h"
#include "platform/programfiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <mutex>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace velt {

namespace {

// An SVG file from the web: its text, its element count and nesting, and the size it is drawn
// at are bounded, so that a hostile one cannot take the memory or the time of the program.
constexpr qint64 kMaxSvgFileBytes = 16LL * 1024 * 1024;
constexpr int kMaxSvgElements = 200000;
constexpr int kMaxSvgDepth = 256;
constexpr int kMaxSvgSide = 4096;
constexpr QSize kSvgDefaultSize(300, 150); // what browsers draw an SVG without a size at
// The helper's whole answer: the header and the most pixels it may draw.
constexpr qint64 kMaxHelperOutput = qint64(kMaxRasterHeaderBytes) + kMaxMetafilePixels * 4;

// Raster formats of Qt's readers that we accept (WebP through Qt's plugin; AVIF, HEIF and JPEG XL
// through our own).
// SVG files are read apart, below.
const QList<QByteArray> &acceptedFormats()
{
    static const QList<QByteArray> formats{"jpeg", "gif",  "bmp",  "ico",  "cur",
                                           "png",  "pbm",  "pgm",  "ppm",  "xbm",
                                           "xpm",  "webp", "avif", "heif", "jxl"};
    return formats;
}

LoadedPicture failure(const QString &why)
{
    return LoadedPicture{QImage(), why};
}

bool fitsLimit(QSize size)
{
    return size.width() > 0 && size.height() > 0
            && qint64(size.width()) * size.height() * 4 <= kMaxPictureBytes;
}

LoadedPicture ready(QImage image)
{
    const QImage::Format wanted =
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != wanted)
        image.convertTo(wanted);
    if (image.isNull())
        return failure(QStringLiteral("out of memory"));
    return LoadedPicture{std::move(image), QString()};
}

// scaledTo valid: decoded at that size, stretched (JPEG at a reduced DCT scale first).
// Qt's allocation limit is one process-wide value that its readers read without a lock: it is
// written only when it differs, under a lock, so a load on another thread never reads it while
// it is written.
void applyAllocationLimit()
{
    static std::mutex lock;
    const int wanted = int(kMaxPictureBytes / (1024 * 1024));
    const std::lock_guard<std::mutex> guard(lock);
    if (QImageReader::allocationLimit() != wanted)
        QImageReader::setAllocationLimit(wanted);
}

// scaledTo valid: decoded at that size, stretched (JPEG at a reduced DCT scale first).
LoadedPicture loadRaster(QFile &file, QSize scaledTo = QSize())
{
    // Checked on every load so that nobody can have raised it.
    applyAllocationLimit();
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return failure(reader.errorString());
    if (!acceptedFormats().contains(reader.format()))
        return failure(QStringLiteral("unsupported format ")
                       + QString::fromLatin1(reader.format()));
    // Refuse from the header's size, before any pixel memory is taken.
    const QSize declared = reader.size();
    if (declared.isValid() && !fitsLimit(declared))
        return failure(QStringLiteral("picture too large"));
    if (scaledTo.isValid())
        reader.setScaledSize(scaledTo);
    QImage image = reader.read();
    if (image.isNull())
        return failure(reader.errorString());
    return ready(std::move(image));
}

// The helper reads the metafile from its standard input: the file opened here, so that no path
// is handed over (a name that is not UTF-8 could not be passed as text).
std::optional<QByteArray> runHelper(const MetafileHelper &helper, QFile &file)
{
    if (helper.program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProgram(helper.program);
#ifdef Q_OS_UNIX
    process.setArguments({QStringLiteral("-")});
    process.setStandardInputFile(QProcess::nullDevice());
    // A process group of its own, so that everything it started goes with it. The modifier
    // runs after the standard channels are set up: the file replaces the null device.
    const int fd = file.handle();
    process.setChildProcessModifier([fd] {
        ::setpgid(0, 0);
        if (::dup2(fd, STDIN_FILENO) < 0 || ::lseek(STDIN_FILENO, 0, SEEK_SET) != 0)
            ::_exit(1);
    });
#else
    process.setArguments({file.fileName()});
    process.setStandardInputFile(QProcess::nullDevice());
#endif
    process.setStandardErrorFile(QProcess::nullDevice());
    QDeadlineTimer deadline(helper.timeoutMs);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(qMax<qint64>(1, deadline.remainingTime())))) {
        process.kill();
        process.waitForFinished(-1);
        return std::nullopt;
    }

    QByteArray output;
    // SIGKILL to the whole group: a helper may ignore SIGTERM, and its children would stay.
    auto stop = [&process] {
#ifdef Q_OS_UNIX
        if (process.processId() > 0)
            ::kill(-pid_t(process.processId()), SIGKILL);
#endif
        process.kill();
        process.waitForFinished(-1);
    };
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            stop();
            return std::nullopt;
        }
        const int left = int(qMax<qint64>(1, deadline.remainingTime()));
        if (!process.waitForReadyRead(left) && process.state() != QProcess::NotRunning)
            process.waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())));
        output += process.readAllStandardOutput();
        if (output.size() > kMaxHelperOutput) {
            stop();
            return std::nullopt;
        }
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || output.isEmpty()
        || output.size() > kMaxHelperOutput)
        return std::nullopt;
    return output;
}

LoadedPicture loadMetafile(QFile &file, const MetafileHelper &helper)
{
    const auto output = runHelper(helper, file);
    if (!output)
        return failure(QStringLiteral("metafile helper failed"));
    std::optional<QImage> image = parseRasterOutput(*output);
    if (!image)
        return failure(QStringLiteral("metafile helper gave no picture"));
    return LoadedPicture{std::move(*image), QString()};
}

// A reference is local when it points into the document itself or carries its data inline.
bool isLocalReference(QStringView ref)
{
    ref = ref.trimmed();
    return ref.startsWith(u'#') || ref.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
}

// url(...) in style text may only point into the document; @import is refused.
bool styleIsLocal(QStringView style)
{
    if (style.contains(QLatin1String("@import"), Qt::CaseInsensitive))
        return false;
    qsizetype at = 0;
    while ((at = style.indexOf(QLatin1String("url("), at, Qt::CaseInsensitive)) >= 0) {
        at += 4;
        QStringView rest = style.sliced(at).trimmed();
        if (rest.startsWith(u'"') || rest.startsWith(u'\''))
            rest = rest.sliced(1);
        if (!isLocalReference(rest))
            return false;
    }
    return true;
}

// True when the SVG text refers to nothing outside itself (no external file, image, style or
// entity) and stays within the element and depth bounds.
bool svgIsSelfContained(const QByteArray &text)
{
    QXmlStreamReader xml(text);
    int elements = 0;
    int depth = 0;
    bool inStyle = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Entities could pull in files or multiply the text.
            if (!xml.entityDeclarations().isEmpty() || !xml.dtdSystemId().isEmpty())
                return false;
            break;
        case QXmlStreamReader::StartElement: {
            if (++elements > kMaxSvgElements || ++depth > kMaxSvgDepth)
                return false;
            inStyle = xml.name() == QLatin1String("style");
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                const QStringView name = attribute.name();
                if ((name == QLatin1String("href") || name == QLatin1String("src"))
                    && !isLocalReference(attribute.value()))
                    return false;
                if (!styleIsLocal(attribute.value()))
                    return false;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            inStyle = false;
            break;
        case QXmlStreamReader::Characters:
            if (inStyle && !styleIsLocal(xml.text()))
                return false;
            break;
        case QXmlStreamReader::EntityReference:
            return false;
        default:
            break;
        }
    }
    return !xml.hasError();
}

LoadedPicture loadSvg(QFile &file)
{
    if (file.size() > kMaxSvgFileBytes)
        return failure(QStringLiteral("SVG too large"));
    const QByteArray text = file.read(kMaxSvgFileBytes + 1);
    if (text.size() > kMaxSvgFileBytes)
        return failure(QStringLiteral("SVG too large"));
    if (!svgIsSelfContained(text))
        return failure(QStringLiteral("SVG refers to outside content or is too complex"));
    QSvgRenderer renderer(text);
    if (!renderer.isValid())
        return failure(QStringLiteral("invalid SVG"));
    QSizeF size = renderer.defaultSize();
    if (size.isEmpty())
        size = renderer.viewBoxF().size();
    if (size.isEmpty())
        size = kSvgDefaultSize;
    if (size.width() > kMaxSvgSide || size.height() > kMaxSvgSide)
        size.scale(kMaxSvgSide, kMaxSvgSide, Qt::KeepAspectRatio);
    const QSize pixels = size.toSize().expandedTo(QSize(1, 1));
    if (!fitsLimit(pixels))
        return failure(QStringLiteral("SVG too large"));
    QImage image(pixels, QImage::Format_RGB32);
    if (image.isNull())
        return failure(QStringLiteral("out of memory"));
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return LoadedPicture{std::move(image), QString()};
}

// The reader for the file opened as path, from its first bytes; the file is read from its start
// again afterwards.
LoaderKind kindOf(QFile &file, const QString &path)
{
    const QByteArray head = file.read(kSignatureBytes);
    if (!file.seek(0))
        return LoaderKind::Unreadable;
    const auto kind = metafileKindOf(reinterpret_cast<const unsigned char *>(head.constData()),
                                     std::size_t(head.size()));
    if (kind != MetafileKind::None)
        return LoaderKind::Metafile;
    // SVG is a picture type only where it was named so, for files from today's browsers; for
    // the other caches a drawing in SVG stays a file the loader does not know.
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)
        && formatFromSignature(head).extension == QLatin1String("svg"))
        return LoaderKind::Svg;
    return LoaderKind::Raster;
}

// The file is opened once, and every reader reads that file: a name that is not UTF-8 reaches
// no library as text, and nothing can be put in the file's place between the look and the read.
LoadedPicture loadAny(const QString &path, const MetafileHelper &helper, QSize scaledTo)
{
    // A FIFO or device would block the reader: only regular files are loaded.
    QFile file;
    if (!openRegularFile(path, file))
        return failure(QStringLiteral("not a readable file"));
    switch (kindOf(file, path)) {
    case LoaderKind::Unreadable:
        return failure(QStringLiteral("not a readable file"));
    case LoaderKind::Metafile:
        return loadMetafile(file, helper);
    case LoaderKind::Svg:
        return loadSvg(file);
    case LoaderKind::Raster:
        break;
    }
    return loadRaster(file, scaledTo);
}

} // namespace

LoaderKind loaderKindOf(const QString &path)
{
    // A FIFO or device would block the reader: only regular files are loaded.
    QFile file;
    if (!openRegularFile(path, file))
        return LoaderKind::Unreadable;
    return kindOf(file, path);
}

MetafileHelper defaultMetafileHelper()
{
    MetafileHelper helper;
    const QString overridden = qEnvironmentVariable("VELT_METAFILE_HELPER");
    if (!overridden.isEmpty()) {
        helper.program = overridden;
    } else if (QCoreApplication::instance()) {
#ifdef Q_OS_WIN
        const QString name = QStringLiteral("velt-metafile.exe");
#else
        const QString name = QStringLiteral("velt-metafile");
#endif
        helper.program = findProgramFile(name, ProgramFileKind::Helper);
        // Not found: the path beside the executable, so that the failure names it.
        if (helper.program.isEmpty())
            helper.program = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    }
    return helper;
}

LoadedPicture loadPicture(const QString &path)
{
    return loadPicture(path, defaultMetafileHelper());
}

LoadedPicture loadPicture(const QString &path, const MetafileHelper &helper)
{
    return loadAny(path, helper, QSize());
}

LoadedPicture loadThumbnail(const QString &path, QSize size, const MetafileHelper &helper)
{
    if (size.isEmpty())
        return failure(QStringLiteral("no thumbnail size"));
    LoadedPicture loaded = loadAny(path, helper, size);
    // Metafiles and SVG come at their own size; the raster readers at the size asked for.
    if (loaded.ok() && loaded.image.size() != size) {
        loaded.image = loaded.image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (loaded.image.isNull())
            return failure(QStringLiteral("out of memory"));
    }
    return loaded;
}

} // namespace velt
