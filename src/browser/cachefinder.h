#pragma once

#include "browser/cachereader.h"

#include <QList>
#include <QString>

// Where browser caches are: folders told by their files' content, and the places browsers of
// the desktop keep their profiles' caches.

namespace velt {

// The cache folders in dir or below it (at most three levels down, no links followed), told
// by their files' content: a Chromium entry starts with the Simple Cache's magic number; a
// Firefox entry ends with the offset of valid metadata.
QList<BrowserCacheFolder> detectBrowserCaches(const QString &dir);

// Every Firefox and Chromium-family profile's cache of the desktop: under xdgCacheHome (or
// home/.cache when it is empty or relative) and in the snap and flatpak locations under home.
// Then whatever searchHome finds in the Linux layout.
QList<BrowserCacheFolder> findDesktopBrowserCaches(const QString &home, const QString &xdgCacheHome,
                                                   const QString &xdgConfigHome = {});

// A cache found in a home folder, named for the source table by the application that keeps
// it ("google-chrome", "Mozilla/Firefox", "discord") and its profile ("Default"; empty when the
// application has none).
struct FoundCache
{
    BrowserCacheFolder cache;
    QString application;
    QString profile;
    friend bool operator==(const FoundCache &, const FoundCache &) = default;
};

// The layouts a home folder is searched in.
enum HomeLayout : int {
    LinuxHome = 1,   // ~/.config, ~/.cache, dot-folders, flatpak and snap
    WindowsHome = 2, // AppData/Local, Local Settings/Application Data
    MacHome = 4,     // Library/Caches, Library/Application Support
    AnyHome = LinuxHome | WindowsHome | MacHome,
};

// How far a search of a home folder may go below each place applications keep their data: in
// levels, and in folders visited.
struct SearchBounds
{
    int maxDepth = 4;
    int maxFolders = 20000;
};

struct HomeSearch
{
    QList<FoundCache> caches;
    int foldersVisited = 0;
    bool stoppedAtBound = false; // folders were left unvisited for the bound on their number
    QStringList probed;          // folders whose files were opened to tell a cache
};

// The Chromium caches of Chromium-based applications and the cache2 folders of Firefox and the
// programs built on it, in the layouts of home asked for. Caches are told by content, but only
// in folders of a cache's shape (Cache/Cache_Data, Cache, cache2/entries, Partitions/*): any
// other folder costs a stat. Links are never followed. Empty xdg paths, or relative ones, mean
// home/.config and home/.cache.
HomeSearch searchHome(const QString &home, int layouts, const QString &xdgConfigHome = {},
                      const QString &xdgCacheHome = {}, const SearchBounds &bounds = {});

// The home folders of a Windows drive's root: Users/* and Documents and Settings/*.
QStringList windowsUserFolders(const QString &driveRoot);

// The caches of every home folder given (all layouts), each once.
QList<FoundCache> findHomeCaches(const QStringList &homes);

} // namespace velt
