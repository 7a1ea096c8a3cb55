#pragma once

#include <QStringList>
#include <QTextStream>

namespace velt {

// velt --check PATH...: runs the damaged-download check and the picture loader on each file as
// the picture window would, and writes one line per file, "ok<TAB>WIDTHxHEIGHT<TAB>path" or
// "bad<TAB>headline<TAB>path", the path escaped by printableText so that every line is one
// file. Returns 0 when every file is ok (also for no files), else 1.
int runCheckCommand(const QStringList &paths, QTextStream &out);

} // namespace velt
