#include "picture/pictureloader.h"

#include "picture/metafileformat.h"
#include "picture/metafileraster.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace velt {

namespace {

// The helper's whole answer: the header and the most pixels it may draw.
constexpr qint64 kMaxHelperOutput = qint64(kMaxRasterHeaderBytes) + kMaxMetafilePixels * 4;
constexpr int kSniffBytes = 64;

// Raster formats of Qt's readers that we accept; SVG is not a picture type here.
const QList<QByteArray> &acceptedFormats()
{
    static const QList<QByteArray> formats{"jpeg", "gif", "bmp", "ico", "cur", "png",
                                           "pbm",  "pgm", "ppm", "xbm", "xpm"};
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

LoadedPicture loadRaster(const QString &path)
{
    // The limit is Qt's process-wide one; set it on every load so nobody can have raised it.
    QImageReader::setAllocationLimit(int(kMaxPictureBytes / (1024 * 1024)));
    QImageReader reader(path);
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
    QImage image = reader.read();
    if (image.isNull())
        return failure(reader.errorString());
    return ready(std::move(image));
}

std::optional<QByteArray> runHelper(const MetafileHelper &helper, const QString &path)
{
    if (helper.program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProgram(helper.program);
    process.setArguments({path});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    // A process group of its own, so that everything it started goes with it.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
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

LoadedPicture loadMetafile(const QString &path, const MetafileHelper &helper)
{
    const auto output = runHelper(helper, path);
    if (!output)
        return failure(QStringLiteral("metafile helper failed"));
    std::optional<QImage> image = parseRasterOutput(*output);
    if (!image)
        return failure(QStringLiteral("metafile helper gave no picture"));
    return LoadedPicture{std::move(*image), QString()};
}

} // namespace

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
    // A FIFO or device would block the reader: only regular files are loaded.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return failure(QStringLiteral("not a readable file"));
    QByteArray head;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failure(file.errorString());
        head = file.read(kSniffBytes);
    }
    const auto kind = metafileKindOf(reinterpret_cast<const unsigned char *>(head.constData()),
                                     std::size_t(head.size()));
    if (kind != MetafileKind::None)
        return loadMetafile(path, helper);
    return loadRaster(path);
}

} // namespace velt
