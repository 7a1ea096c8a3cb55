#include "browser/cachereader.h"

#include "browser/blockfilecache.h"
#include "browser/firefoxcache.h"
#include "browser/simplecache.h"
#include "browser/sqlcache.h"

#include <QDirIterator>

namespace velt {

const QList<const CacheFormatReader *> &cacheFormatReaders()
{
    // A new format is one more line here.
    static const QList<const CacheFormatReader *> readers{
            &simpleCacheReader(),
            &blockfileCacheReader(),
            &sqlCacheReader(),
            &firefoxCacheReader(),
    };
    return readers;
}

QString cacheFormatName(CacheFormat format)
{
    switch (format) {
    case CacheFormat::Firefox:
        return QStringLiteral("Firefox cache2");
    case CacheFormat::Chromium:
        return QStringLiteral("Chromium Simple");
    case CacheFormat::Blockfile:
        return QStringLiteral("Chromium blockfile");
    case CacheFormat::Sql:
        return QStringLiteral("Chromium SQL");
    }
    return QString();
}

const CacheFormatReader &cacheFormatReader(CacheFormat format)
{
    for (const CacheFormatReader *reader : cacheFormatReaders()) {
        if (reader->format() == format)
            return *reader;
    }
    Q_UNREACHABLE();
}

std::unique_ptr<CacheFolderReader> openCacheFolder(const BrowserCacheFolder &cache)
{
    return cacheFormatReader(cache.format).open(cache.path);
}

QStringList fileNamesIn(const QString &dir, bool (*isEntry)(const QString &))
{
    QStringList names;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QString name = it.nextFileInfo().fileName();
        if (isEntry(name))
            names << name;
    }
    names.sort();
    return names;
}

} // namespace velt
