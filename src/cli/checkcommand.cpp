#include "cli/checkcommand.h"

#include "platform/printable.h"

#include "picture/imagecheck.h"
#include "picture/pictureloader.h"

#include <QFileInfo>
#include <QHash>

namespace velt {

int runCheckCommand(const QStringList &paths, QTextStream &out)
{
    const MetafileHelper helper = defaultMetafileHelper();
    // Files of a working folder are checked with what is recorded there about their sources.
    QHash<QString, SourceTable> sourcesByFolder;
    int status = 0;
    for (const QString &path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!sourcesByFolder.contains(folder))
            sourcesByFolder.insert(folder, SourceTable::load(folder));
        CheckResult result = checkImageFile(path, sourcesByFolder[folder]).result;
        QSize size;
        if (result == CheckResult::Passes) {
            const LoadedPicture picture = loadPicture(path, helper);
            if (picture.ok())
                size = picture.image.size();
            else
                result = CheckResult::Unreadable;
        }
        // One line a file, whatever its name holds.
        const QString shown = printableText(path);
        if (result == CheckResult::Passes) {
            out << "ok\t" << size.width() << 'x' << size.height() << '\t' << shown << '\n';
        } else {
            out << "bad\t" << checkReportHeadline(result, false) << '\t' << shown << '\n';
            status = 1;
        }
    }
    out.flush();
    return status;
}

} // namespace velt
