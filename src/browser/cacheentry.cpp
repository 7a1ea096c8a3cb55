#include "browser/cacheentry.h"

namespace velt {

qint64 CachedResponse::bodyLength() const
{
    qint64 total = 0;
    for (const BodyPiece &piece : body)
        total += piece.length;
    return total;
}

} // namespace velt
