#include "browser/cachefinder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
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

QString sourceName(const QString &application, const QString &profile)
{
    return profile.isEmpty() ? application
                             : application + QStringLiteral(" (") + profile + QLatin1Char(')');
}

bool isFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

// Folders below dir, links left out, sorted.
QStringList subfoldersOf(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden
                                            | QDir::NoSymLinks);
    names.sort();
    return names;
}

// A Chromium profile folder's name; other folders holding a cache are applications.
bool isChromiumProfileName(const QString &name)
{
    return name == QLatin1String("Default") || name == QLatin1String("Guest Profile")
            || name == QLatin1String("System Profile")
            || name.startsWith(QLatin1String("Profile "));
}

// Folder levels that name neither an application nor a profile.
bool isPlainLevel(const QString &name)
{
    return name == QLatin1String("User Data") || name == QLatin1String("Profiles");
}

class HomeWalker
{
public:
    HomeWalker(const SearchBounds &bounds, HomeSearch &result) : m_bounds(bounds), m_result(result)
    {
    }

    // Looks at root and the folders below it, down to depth levels; names are taken from the
    // path below root, or given as application.
    void walk(const QString &root, int depth, const QString &application = {},
              bool dotFoldersOnly = false)
    {
        if (!isFolder(root))
            return;
        // Each place has the bound to itself: a crowded one (a package manager's cache) must
        // not leave the others unsearched.
        m_visitedHere = 0;
        m_boundHit = false;
        walkFolder(root, QStringList(), depth, application, dotFoldersOnly);
    }

private:
    bool visit()
    {
        if (m_visitedHere >= m_bounds.maxFolders) {
            m_result.stoppedAtBound = m_boundHit = true;
            return false;
        }
        ++m_visitedHere;
        ++m_result.foldersVisited;
        return true;
    }

    void walkFolder(const QString &dir, const QStringList &below, int depth,
                    const QString &application, bool dotFoldersOnly)
    {
        if (!visit())
            return;
        if (!below.isEmpty() && lookAt(dir, below, application))
            return; // a profile or an application's own folder: nothing deeper is a cache
        if (depth <= 0)
            return;
        for (const QString &name : subfoldersOf(dir)) {
            // Home itself: only its dot-folders, less the homes searched on their own.
            if (dotFoldersOnly
                && (!name.startsWith(QLatin1Char('.')) || name == QLatin1String(".cache")
                    || name == QLatin1String(".config") || name == QLatin1String(".var")
                    || name == QLatin1String(".local")))
                continue;
            if (m_boundHit)
                return;
            walkFolder(dir + QLatin1Char('/') + name, below + QStringList{name}, depth - 1,
                       application, false);
        }
    }

    // The caches kept in dir itself; true when it holds one.
    bool lookAt(const QString &dir, const QStringList &below, const QString &application)
    {
        bool any = false;
        const QString chromium = dir + QStringLiteral("/Cache/Cache_Data");
        if (isFolder(chromium))
            any |= probe(chromium, false, below, application, {});
        else if (isFolder(dir + QStringLiteral("/Cache")))
            any |= probe(dir + QStringLiteral("/Cache"), false, below, application, {});
        const QString firefox = dir + QStringLiteral("/cache2/entries");
        if (isFolder(firefox))
            any |= probe(firefox, true, below, application, {});
        const QString partitions = dir + QStringLiteral("/Partitions");
        if (isFolder(partitions)) {
            for (const QString &name : subfoldersOf(partitions)) {
                if (!visit())
                    break;
                const QString data =
                        partitions + QLatin1Char('/') + name + QStringLiteral("/Cache/Cache_Data");
                if (isFolder(data))
                    any |= probe(data, false, below, application, name);
            }
        }
        return any;
    }

    bool probe(const QString &folder, bool firefox, const QStringList &below,
               const QString &application, const QString &partition)
    {
        m_result.probed << folder;
        const auto cache = cacheIn(folder);
        if (!cache || isChromiumFormat(cache->format) == firefox)
            return false;
        for (const FoundCache &known : std::as_const(m_result.caches)) {
            if (known.cache == *cache)
                return true;
        }
        FoundCache found{*cache, {}, {}};
        QStringList names;
        for (const QString &name : below) {
            if (!isPlainLevel(name))
                names << name;
        }
        // A Firefox cache is always a profile's; a Chromium one when the folder is named so.
        if (!names.isEmpty() && (firefox || isChromiumProfileName(names.last())))
            found.profile = names.takeLast();
        if (!partition.isEmpty())
            found.profile = found.profile.isEmpty() ? partition
                                                    : found.profile + QLatin1Char('/') + partition;
        if (!application.isEmpty())
            names.prepend(application);
        found.application = names.join(QLatin1Char('/'));
        found.cache.source = sourceName(found.application, found.profile);
        m_result.caches << found;
        return true;
    }

    const SearchBounds &m_bounds;
    HomeSearch &m_result;
    int m_visitedHere = 0;
    bool m_boundHit = false;
};

QString xdgOr(const QString &xdg, const QString &fallback)
{
    return !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? xdg : fallback;
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

QList<BrowserCacheFolder> findDesktopBrowserCaches(const QString &home, const QString &xdgCacheHome,
                                                   const QString &xdgConfigHome)
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
            if (auto cache = cacheIn(entries); cache && cache->format == CacheFormat::Firefox) {
                cache->source =
                        sourceName(QStringLiteral("firefox"), QFileInfo(profile).fileName());
                add(*cache);
            }
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
    QString application;
    QString root;
    auto tryCache = [&](const QString &profile) {
        for (const QString &sub : {QStringLiteral("/Cache/Cache_Data"), QStringLiteral("/Cache")}) {
            if (auto cache = cacheIn(profile + sub); cache && isChromiumFormat(cache->format)) {
                cache->source = sourceName(
                        application, profile == root ? QString() : QFileInfo(profile).fileName());
                add(*cache);
                return;
            }
        }
    };
    for (const QString &chromiumRoot : std::as_const(chromiumRoots)) {
        root = chromiumRoot;
        application = root.startsWith(cacheHome + QLatin1Char('/')) ? root.mid(cacheHome.size() + 1)
                                                                    : QFileInfo(root).fileName();
        tryCache(root);
        eachProfile(root, tryCache);
    }
    for (const FoundCache &cache : searchHome(home, LinuxHome, xdgConfigHome, xdgCacheHome).caches)
        add(cache.cache);
    return found;
}

HomeSearch searchHome(const QString &home, int layouts, const QString &xdgConfigHome,
                      const QString &xdgCacheHome, const SearchBounds &bounds)
{
    HomeSearch result;
    if (home.isEmpty() || !isFolder(home))
        return result;
    HomeWalker walker(bounds, result);
    const int depth = bounds.maxDepth;
    if (layouts & LinuxHome) {
        const QString configHome = xdgOr(xdgConfigHome, home + QStringLiteral("/.config"));
        const QString cacheHome = xdgOr(xdgCacheHome, home + QStringLiteral("/.cache"));
        // Chromium-based applications keep their cache beside their settings, alone or below
        // a vendor's folder; browsers and Firefox's kin keep theirs under the cache home.
        walker.walk(configHome, qMin(depth, 2));
        if (configHome != home + QStringLiteral("/.config"))
            walker.walk(home + QStringLiteral("/.config"), qMin(depth, 2));
        walker.walk(cacheHome, depth); // XDG_CACHE_HOME replaces ~/.cache
        // Sandboxed applications: each has its own config and cache homes.
        for (const QString &app : subfoldersOf(home + QStringLiteral("/.var/app"))) {
            const QString base = home + QStringLiteral("/.var/app/") + app;
            walker.walk(base + QStringLiteral("/config"), qMin(depth, 2), app);
            walker.walk(base + QStringLiteral("/cache"), depth, app);
        }
        for (const QString &app : subfoldersOf(home + QStringLiteral("/snap"))) {
            const QString base = home + QStringLiteral("/snap/") + app;
            // Revisions and common; "current" is a link to one of them.
            for (const QString &revision : subfoldersOf(base)) {
                walker.walk(base + QLatin1Char('/') + revision + QStringLiteral("/.config"),
                            qMin(depth, 2), app);
                walker.walk(base + QLatin1Char('/') + revision + QStringLiteral("/.cache"), depth,
                            app);
            }
        }
    }
    if (layouts & LinuxHome) {
        // Classic dot-folders (~/.mozilla/firefox/PROFILE, ~/.thunderbird/PROFILE) last: tool
        // folders there can be large, and must not use up the bound before the places above.
        walker.walk(home, qMin(depth, 3), {}, true);
    }
    if (layouts & WindowsHome) {
        walker.walk(home + QStringLiteral("/AppData/Local"), depth);
        walker.walk(home + QStringLiteral("/AppData/Roaming"), depth);
        walker.walk(home + QStringLiteral("/Local Settings/Application Data"), depth);
    }
    if (layouts & MacHome) {
        walker.walk(home + QStringLiteral("/Library/Caches"), depth);
        // Chromium-based applications keep their cache beside their settings there too.
        walker.walk(home + QStringLiteral("/Library/Application Support"), qMin(depth, 2));
    }
    return result;
}

QStringList windowsUserFolders(const QString &driveRoot)
{
    QStringList homes;
    for (const QString &parent :
         {QStringLiteral("/Users"), QStringLiteral("/Documents and Settings")}) {
        const QString dir = driveRoot + parent;
        for (const QString &user : subfoldersOf(dir))
            homes << dir + QLatin1Char('/') + user;
    }
    return homes;
}

QList<FoundCache> findHomeCaches(const QStringList &homes)
{
    QList<FoundCache> found;
    for (const QString &home : homes) {
        for (const FoundCache &cache : searchHome(home, AnyHome).caches) {
            const bool known = std::any_of(found.cbegin(), found.cend(), [&](const FoundCache &f) {
                return f.cache == cache.cache;
            });
            if (!known)
                found << cache;
        }
    }
    return found;
}

} // namespace velt
