#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace velt {

// Names printed one per line (--list, --check, --extract) go through these, so that every
// output line is one entry whatever the name holds. Escapes, the only changes made:
//   \\      a backslash
//   \t \n \r  tab, line feed, carriage return
//   \xHH    every other C0 control character, DEL, the C1 controls (U+0080..U+009F), and
//           (printableBytes only) each byte that is not part of valid UTF-8
//   \uHHHH  the line and paragraph separators U+2028 and U+2029, and unpaired surrogates
// Everything else, Japanese text included, is printed as it is. Hexadecimal digits are upper
// case. A reader undoes it by reading the backslash sequences above.
QString printableText(QStringView text);

// The same for a name kept as the file system's bytes: valid UTF-8 is decoded, any other byte
// becomes \xHH, so names that differ only in such bytes print differently.
QString printableBytes(QByteArrayView bytes);

} // namespace velt
