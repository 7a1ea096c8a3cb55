#include "cli/checkcommand.h"

#include "platform/printable.h"

namespace velt {

CheckVerdict checkVerdict(const QString &path, const MetafileHelper &helper)
{
    CheckVerdict verdict;
    verdict.result = checkImageFile(path).result;
    if (verdict.result == CheckResult::Passes) {
        const LoadedPicture picture = loadPicture(path, helper);
        if (picture.ok())
            verdict.size = picture.image.size();
        else
            verdict.result = CheckResult::Unreadable;
    }
    return verdict;
}

int runCheckCommand(const QStringList &paths, QTextStream &out)
{
    const MetafileHelper helper = defaultMetafileHelper();
    int status = 0;
    for (const QString &path : paths) {
        const CheckVerdict verdict = checkVerdict(path, helper);
        // One line a file, whatever its name holds.
        const QString shown = printableText(path);
        if (verdict.result == CheckResult::Passes) {
            out << "ok\t" << verdict.size.width() << 'x' << verdict.size.height() << '\t' << shown
                << '\n';
        } else {
            out << "bad\t" << checkReportHeadline(verdict.result, false) << '\t' << shown << '\n';
            status = 1;
        }
    }
    out.flush();
    return status;
}

} // namespace velt
