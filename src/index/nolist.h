#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace velt {

extern const char *const kPromptPictureNumber;
extern const char *const kMsgNoSuchPicture;

// The list position that an answer to the number prompt names: the answer read as a number
// (leadingNumber) must lie between 1 and listCount, and is then rounded to the nearest whole
// number, halves to the even one. 0 when there is no such picture (text that is no number reads
// as 0).
int pictureNumber(const QString &answer, int listCount);

// Type-ahead: the row of the next line after currentRow whose first character is typed,
// compared without regard to case, searching on from the top after the last line; currentRow
// itself comes last. -1 when no line begins with it.
int typeAheadRow(const QStringList &lines, int currentRow, QChar typed);

} // namespace velt
