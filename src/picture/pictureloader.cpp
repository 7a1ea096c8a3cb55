#include "picture/pictureloader.h"

#include "app/programfiles.h"
#include "picture/metafileformat.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

namespace velt {

namespace {

constexpr qint64 kMaxSvgBytes = 64LL * 1024 * 1024;
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
    QDeadlineTimer deadline(helper.timeoutMs);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return std::nullopt;

    QByteArray output;
    auto stop = [&process] {
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
        if (output.size() > kMaxSvgBytes) {
            stop();
            return std::nullopt;
        }
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || output.isEmpty()
        || output.size() > kMaxSvgBytes)
        return std::nullopt;
    return output;
}

LoadedPicture loadMetafile(const QString &path, const MetafileHelper &helper)
{
    const auto svg = runHelper(helper, path);
    if (!svg)
        return failure(QStringLiteral("metafile helper failed"));
    QSvgRenderer renderer(*svg);
    if (!renderer.isValid())
        return failure(QStringLiteral("metafile helper gave no valid SVG"));
    const QSize size = renderer.defaultSize();
    if (!fitsLimit(size))
        return failure(QStringLiteral("metafile too large"));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return failure(QStringLiteral("out of memory"));
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return LoadedPicture{std::move(image), QString()};
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
