#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace velt {

// Names printed one per line (--list, --check, --extract) go through these, so that every
// output line is one entry whatever the name holds. Escapes, the only changes made:
//   \\      a backslash
//   \t \n \r  tab, line feed, carriage return
//   \xHH    every other C0 control character and DEL (below 0x80), and each byte of a file
//           name that is not part of valid UTF-8 (0x80 and above; U+DC80..U+DCFF in a name
//           as decodeFileName makes it, see namebytes.h)
//   \uHHHH  the C1 controls U+0080..U+009F, the line and paragraph separators U+2028 and
//           U+2029, and other unpaired surrogates
// Everything else, Japanese text included, is printed as it is. Hexadecimal digits are upper
// case. A reader undoes it by reading the backslash sequences above: \xHH from 0x80 on is a
// byte, so a name comes back byte for byte.
QString printableText(QStringView text);

// The same for a name kept as the file system's bytes: printableText(decodeFileName(bytes)).
// Names that differ only in bytes that are not UTF-8 print differently.
QString printableBytes(QByteArrayView bytes);

} // namespace velt
