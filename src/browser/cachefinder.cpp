#include "browser/cachefinder.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace velt {

namespace {

constexpr int kDetectDepth = 3;

// The format of the cache a folder holds, told by content. The path is made canonical, so
// that a cache reached two ways is read once.
std::optional<BrowserCacheFolder> cacheIn(const QString &folder)
{
    const QString dir = QFileInfo(folder).canonicalFilePath();
    if (dir.isEmpty())
        return std::nullopt;
    for (const CacheFormatReader *reader : cacheFormatReaders()) {
        if (reader->holdsCache(dir))
            return BrowserCacheFolder{reader->format(), dir};
    }
    return std::nullopt;
}

void detectBelow(const QString &dir, int depth, QList<BrowserCacheFolder> &found)
{
    if (const auto cache = cacheIn(dir)) {
        found << *cache;
        return;
    }
    if (depth >= kDetectDepth)
        return;
    QStringList subfolders = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden
                                                 | QDir::NoSymLinks);
    subfolders.sort();
    for (const QString &sub : std::as_const(subfolders))
        detectBelow(QDir(dir).filePath(sub), depth + 1, found);
}

} // namespace

QList<BrowserCacheFolder> detectBrowserCaches(const QString &dir)
{
    QList<BrowserCacheFolder> found;
    const QFileInfo info(dir);
    if (!dir.isEmpty() && info.isDir())
        detectBelow(info.absoluteFilePath(), 0, found);
    return found;
}

QList<BrowserCacheFolder> findDesktopBrowserCaches(const QString &home, const QString &xdgCacheHome)
{
    QList<BrowserCacheFolder> found;
    if (home.isEmpty())
        return found;
    const QString cacheHome = !xdgCacheHome.isEmpty() && QDir::isAbsolutePath(xdgCacheHome)
            ? xdgCacheHome
            : home + QStringLiteral("/.cache");
    auto add = [&found](const BrowserCacheFolder &cache) {
        if (!found.contains(cache))
            found << cache;
    };
    auto eachProfile = [](const QString &root, const std::function<void(const QString &)> &fn) {
        QStringList profiles = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden
                                                    | QDir::NoSymLinks);
        profiles.sort();
        for (const QString &profile : std::as_const(profiles))
            fn(QDir(root).filePath(profile));
    };

    // Firefox: one cache2 per profile; snap and flatpak keep their own cache folders.
    const QStringList firefoxRoots{
            cacheHome + QStringLiteral("/mozilla/firefox"),
            home + QStringLiteral("/snap/firefox/common/.cache/mozilla/firefox"),
            home + QStringLiteral("/.var/app/org.mozilla.firefox/cache/mozilla/firefox"),
    };
    for (const QString &root : firefoxRoots) {
        eachProfile(root, [&](const QString &profile) {
            const QString entries = profile + QStringLiteral("/cache2/entries");
            if (const auto cache = cacheIn(entries); cache && cache->format == CacheFormat::Firefox)
                add(*cache);
        });
    }

    // The Chromium family: PROFILE/Cache/Cache_Data, or the older PROFILE/Cache; Opera keeps
    // one cache without a profile level.
    const QStringList chromiumNames{
            QStringLiteral("chromium"),
            QStringLiteral("google-chrome"),
            QStringLiteral("google-chrome-beta"),
            QStringLiteral("google-chrome-unstable"),
            QStringLiteral("BraveSoftware/Brave-Browser"),
            QStringLiteral("BraveSoftware/Brave-Browser-Beta"),
            QStringLiteral("microsoft-edge"),
            QStringLiteral("microsoft-edge-beta"),
            QStringLiteral("microsoft-edge-dev"),
            QStringLiteral("vivaldi"),
            QStringLiteral("vivaldi-snapshot"),
            QStringLiteral("opera"),
            QStringLiteral("opera-beta"),
    };
    QStringList chromiumRoots;
    for (const QString &name : chromiumNames)
        chromiumRoots << cacheHome + QLatin1Char('/') + name;
    chromiumRoots << home + QStringLiteral("/snap/chromium/common/.cache/chromium")
                  << home + QStringLiteral("/.var/app/org.chromium.Chromium/cache/chromium")
                  << home + QStringLiteral("/.var/app/com.google.Chrome/cache/google-chrome")
                  << home
                    + QStringLiteral(
                             "/.var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser")
                  << home + QStringLiteral("/.var/app/com.microsoft.Edge/cache/microsoft-edge")
                  << home + QStringLiteral("/.var/app/com.vivaldi.Vivaldi/cache/vivaldi")
                  << home + QStringLiteral("/.var/app/com.opera.Opera/cache/opera");
    auto tryCache = [&](const QString &profile) {
        for (const QString &sub : {QStringLiteral("/Cache/Cache_Data"), QStringLiteral("/Cache")}) {
            if (const auto cache = cacheIn(profile + sub);
                cache && isChromiumFormat(cache->format)) {
                add(*cache);
                return;
            }
        }
    };
    for (const QString &root : std::as_const(chromiumRoots)) {
        tryCache(root);
        eachProfile(root, tryCache);
    }
    return found;
}

} // namespace velt
