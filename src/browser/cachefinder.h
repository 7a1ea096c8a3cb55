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
QList<BrowserCacheFolder> findDesktopBrowserCaches(const QString &home,
                                                   const QString &xdgCacheHome);

} // namespace velt
