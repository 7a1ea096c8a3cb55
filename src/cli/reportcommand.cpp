#include "cli/reportcommand.h"

#include "cache/collection.h"
#include "cli/console.h"
#include "cli/optiontable.h"
#include "picture/pictureloader.h"
#include "platform/printable.h"
#include "platform/workdir.h"
#include "report/htmlreport.h"
#include "report/report.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace velt {

namespace {

bool refuse(QTextStream &err, const QString &target, const QString &why)
{
    err << "velt: the report " << printableText(target) << " cannot be written: " << why << '\n';
    err.flush();
    return false;
}

} // namespace

int runReportCommand(CollectionContext &ctx, const QString &target, QIODevice &out,
                     QTextStream &err)
{
    // Refused before the collection, which may take long; the working folder is known only
    // after it.
    if (const QString why = reportTargetProblem(target, ctx.state.BrowserCacheDirs);
        !why.isEmpty()) {
        refuse(err, target, why);
        return kExitFailure;
    }
    const std::optional<ReportFormat> format = reportFormatFor(target);
    if (!format) {
        err << "velt: --report writes .csv, .jsonl, .html or - (CSV on standard output), not "
            << printableText(target) << '\n';
        err.flush();
        return kExitUsage;
    }
    GetICPath(ctx);
    MdlVELT &state = ctx.state;
    QList<ReportRecord> records;
    for (int i = 1; i <= state.ListCount; ++i)
        records << reportRecordFor(state.WorkDir, state.ListFile[i], ReportKind::Picture, i,
                                   state.Sources, state.CopiedFrom.value(state.ListFile[i]));
    for (int i = 1; i <= state.GifCount; ++i)
        records << reportRecordFor(state.WorkDir, state.GifFile[i], ReportKind::Gif, 0,
                                   state.Sources, state.CopiedFrom.value(state.GifFile[i]));
    if (!state.WorkDir.isEmpty()) {
        for (const FolderFile &file : filesInWalkOrder(state.WorkDir)) {
            if (ctx.ext.SerchDoExp(file.name))
                records << reportRecordFor(state.WorkDir, file.name, mediaKindOf(file.name), 0,
                                           state.Sources, state.CopiedFrom.value(file.name));
        }
    }
    QByteArray bytes;
    if (*format == ReportFormat::Html) {
        const MetafileHelper helper = defaultMetafileHelper();
        QList<HtmlReportItem> items;
        items.reserve(records.size());
        for (const ReportRecord &record : std::as_const(records))
            items.append(HtmlReportItem{record, {}, {}});
        // The thumbnails are what takes time: decoded on every core, each item by one thread.
        std::atomic<qsizetype> next{0};
        const auto work = [&] {
            for (qsizetype i = next++; i < items.size(); i = next++) {
                HtmlReportItem &item = items[i];
                if (item.record.kind == ReportKind::Picture || item.record.kind == ReportKind::Gif)
                    item.thumbnail = reportThumbnail(QDir(state.WorkDir).filePath(item.record.name),
                                                     item.record.size, helper, &item.thumbnailSize);
            }
        };
        std::vector<std::thread> threads;
        const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        for (unsigned t = 1; t < cores; ++t)
            threads.emplace_back(work);
        work();
        for (std::thread &thread : threads)
            thread.join();
        HtmlReportHeader header;
        if (!state.SysRoot.isEmpty())
            header.sources << state.SysRoot;
        header.sources << state.BrowserCacheDirs;
        header.written = QDateTime::currentDateTime();
        bytes = htmlReport(items, header);
    } else {
        bytes = *format == ReportFormat::Csv ? csvReport(records) : jsonLinesReport(records);
    }

    QStringList readFolders = state.BrowserCacheDirs;
    if (!state.WorkDir.isEmpty())
        readFolders << state.WorkDir;
    bool written = false;
    QString why = reportTargetProblem(target, readFolders);
    if (!why.isEmpty())
        refuse(err, target, why);
    else if (target == QLatin1String("-"))
        written = out.write(bytes) == bytes.size()
                || refuse(err, target, QStringLiteral("standard output failed"));
    else if (!writeReportFile(target, bytes, &why))
        refuse(err, target, why);
    else
        written = true;
    if (state.ListCount + state.GifCount != 0)
        emptyWorkFolder(state);
    return written ? kExitOk : kExitFailure;
}

int runReport(MdlVELT &state, Settings &settings, const RegistrySource &registry,
              const DriveMap &drives, const QString &settingsPath, const QString &target)
{
    ConsoleDialogs dialogs;
    ConsoleHost host;
    LoadSettings(settings, settingsPath, state.BufferDir);
    ExtTable ext = ExtTable::standard();
    CollectionContext ctx{state, settings, ext, registry, drives, dialogs, host};
    CheckedStdout output;
    QTextStream err(stderr);
    QIODevice *device = output.stream().device();
    const int status = runReportCommand(ctx, target, *device, err);
    return output.finish("the report") && status == kExitOk ? kExitOk
                                                            : std::max(status, kExitFailure);
}

} // namespace velt
