#pragma once

#include "browser/budget.h"
#include "browser/cacheentry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Every cache format is read through one small interface: tell a folder of the format by its
// content, list the folder's entries as opaque handles, read one entry into a CachedResponse.
// Each format lives in a file pair of its own; cacheFormatReaders() in cachereader.cpp is the
// one place where a format is registered.

namespace velt {

// Chromium is its Simple Cache (files per entry), Blockfile its older backend (block files),
// Sql its newest (SQLite databases).
enum class CacheFormat { Firefox, Chromium, Blockfile, Sql };

// Whether caches of the format are written by Chromium and its family.
inline bool isChromiumFormat(CacheFormat format)
{
    return format != CacheFormat::Firefox;
}

// A folder holding one cache: Firefox's "entries" folder, or the folder of a Chromium cache.
struct BrowserCacheFolder
{
    CacheFormat format = CacheFormat::Chromium;
    QString path;
    QString source = {}; // the application and profile keeping it, when known: "chat (Default)"
    // The same cache whatever it was found as.
    friend bool operator==(const BrowserCacheFolder &a, const BrowserCacheFolder &b)
    {
        return a.format == b.format && a.path == b.path;
    }
};

// One cache folder opened for a walk over its entries. It may keep the cache's shared files
// open until it is destroyed.
class CacheFolderReader
{
public:
    virtual ~CacheFolderReader() = default;
    // The entries as handles for read(), in a stable order; entries that cannot be read on
    // their own (parts of others, doomed ones) are left out.
    virtual QStringList entries() = 0;
    // One entry; empty when it is not a complete response (damaged, half-written, gone).
    virtual std::optional<CachedResponse> read(const QString &entry) = 0;

    // The budget whose entry time a reader asks in its long loops, giving up the entry when it
    // has run out; none when null.
    void setBudget(const ExtractBudget *budget) { m_budget = budget; }
    const ExtractBudget *budget() const { return m_budget; }

private:
    const ExtractBudget *m_budget = nullptr;
};

class CacheFormatReader
{
public:
    virtual ~CacheFormatReader() = default;
    virtual CacheFormat format() const = 0;
    // Whether the folder (a canonical path) holds a cache of this format, told by content
    // from the first few files.
    virtual bool holdsCache(const QString &dir) const = 0;
    virtual std::unique_ptr<CacheFolderReader> open(const QString &dir) const = 0;
};

// The format as a report names it: "Firefox cache2", "Chromium Simple", ...
QString cacheFormatName(CacheFormat format);

// Every format read, in the order a folder is tried against them.
const QList<const CacheFormatReader *> &cacheFormatReaders();
const CacheFormatReader &cacheFormatReader(CacheFormat format);
std::unique_ptr<CacheFolderReader> openCacheFolder(const BrowserCacheFolder &cache);

// The names of the plain files in dir that isEntry accepts, sorted.
QStringList fileNamesIn(const QString &dir, bool (*isEntry)(const QString &));

} // namespace velt
