#pragma once

#include "app/sourcetable.h"
#include "browser/budget.h"
#include "browser/cachereader.h"
#include "platform/workdir.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Today's browsers as sources: entry readers, one file pair per cache format behind
// cachereader.h (every offset checked against the file), stored HTTP heads, Content-Encoding
// decoding with a size limit, safe names from URLs (within 255 bytes), the end-of-format check,
// and the collection's budget of decoded bytes and time (budget.h) that readers and decoders ask.
// extractCacheFolder writes each picture, movie or sound body into WorkDir through its descriptor
// under a name from its URL (a suffix instead of overwriting), dated when it was fetched, and
// records its facts in the side table (app/sourcetable.h); segmentjoin.h then joins streams
// cached as segments.

namespace velt {

struct ExtractLimits
{
    qint64 maxEncoded = 64LL * 1024 * 1024;  // a body stored with a Content-Encoding
    qint64 maxDecoded = 128LL * 1024 * 1024; // what it may decode to
    // The collection's bounds on decoded bytes and time, shared by every entry; none when null.
    ExtractBudget *budget = nullptr;
};

struct ExtractedFile
{
    QString name; // in the destination folder
    SourceFacts facts;
};

// Writes the body of a cached picture, movie or sound into folder under a name made from its
// URL (a short suffix when the name is taken: nothing is ever overwritten), dated when the
// browser fetched it. Empty when the response is not a picture, movie or sound, holds no body,
// cannot be decoded within the limits (counted in the budget, when there is one), or its files
// changed while being read (then changed is set, when given). The file is created with the owner's
// permission bits of the entry (never wider than 0600), through the folder opened once; a write
// that fails for lack of space is noted in full.
std::optional<ExtractedFile> extractResponse(const CachedResponse &response,
                                             const WorkFolder &folder,
                                             const ExtractLimits &limits = {},
                                             bool *changed = nullptr,
                                             FullDiskFailures *full = nullptr);
// The same into the folder at a path (not followed when it is a link).
std::optional<ExtractedFile> extractResponse(const CachedResponse &response, const QString &folder,
                                             const ExtractLimits &limits = {},
                                             bool *changed = nullptr);

// Extracts every entry of cache into folder and records each written file in table. After
// every entry, between(wrote) is asked whether to go on. Entries read past the budget's time
// are skipped and counted in it. Returns the number of files written.
int extractCacheFolder(const BrowserCacheFolder &cache, const WorkFolder &folder,
                       SourceTable &table, const std::function<bool(bool wrote)> &between = {},
                       const ExtractLimits &limits = {}, FullDiskFailures *full = nullptr);
int extractCacheFolder(const BrowserCacheFolder &cache, const QString &folder, SourceTable &table,
                       const std::function<bool(bool wrote)> &between = {},
                       const ExtractLimits &limits = {});

} // namespace velt
