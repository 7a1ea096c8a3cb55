#pragma once

#include "picture/imagecheck.h"
#include "picture/pictureloader.h"

#include <QSize>
#include <QStringList>
#include <QTextStream>

namespace velt {

// The verdict --check gives one file: the damaged-download check by its bytes alone (no facts
// read from beside it: a file planted there would decide), then the picture loader.
struct CheckVerdict
{
    CheckResult result = CheckResult::Unreadable;
    QSize size; // when it passes
};
CheckVerdict checkVerdict(const QString &path, const MetafileHelper &helper);

// velt --check PATH...: runs the damaged-download check and the picture loader on each file as
// the picture window would, and writes one line per file, "ok<TAB>WIDTHxHEIGHT<TAB>path" or
// "bad<TAB>headline<TAB>path", the path escaped by printableText so that every line is one
// file. Returns 0 when every file is ok (also for no files), else 1.
int runCheckCommand(const QStringList &paths, QTextStream &out);

} // namespace velt
