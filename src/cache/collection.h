#pragma once

#include "app/loadprogress.h"
#include "app/mdlvelt.h"
#include "app/settings.h"
#include "browser/budget.h"
#include "cache/locate.h"
#include "cache/plannedcopy.h"
#include "cache/registrysource.h"
#include "cache/winpath.h"
#include "platform/dialogs.h"
#include "platform/namebytes.h"

#include <QDate>

#include <functional>

// The start-up collection. The copies are planned before any is made (CopyPlan): each cache
// folder is listed once (regular files only), each pattern is a look-up by upper-cased type, and
// each name keeps the files that would be copied under it, in order. PlannedCopy makes, on a few
// worker threads, only the copy that the one-by-one copying would leave in the end; the window
// thread walks the patterns in order, waiting (serving events, so the stop button works) until
// each pattern's copies are made. A stop after pattern k leaves exactly what the one-by-one
// copying would have left. Today's browsers come next (browsercollection.h); only when such a
// cache exists does ExtTable learn today's types, so the registry's caches alone classify as
// before. Worker threads only copy files: windows, MdlVELT and Settings stay on the window
// thread. Copies failing for lack of space or quota are counted and said once.

namespace velt {

// What the collection needs from the windows around it. The main window implements it with the
// progress window; the command-line list mode with no windows at all.
class CollectionHost
{
public:
    virtual ~CollectionHost() = default;
    // Shows the progress window modeless; its load clears StopLoad and resets bar and label.
    virtual void showSplash() = 0;
    virtual void closeSplash() = 0;
    virtual void setProgress(int value) = 0;
    virtual void setLoadLabel(const QString &text) = 0;
    // Lets pending window events run once.
    virtual void yield() = 0;
    // Lets window events run, waiting for one when none is pending, while the copies are made
    // on other threads: a click on the stop button ends the wait, and so does wake(). By default
    // the application's events are processed.
    virtual void waitForEvents();
    // Ends a waitForEvents() under way or the next one; safe from any thread.
    virtual void wake();
    // Sets the main window's TimeT to 1 and lets events run until its timer brings it to 0.
    virtual void waitOneTick() = 0;
    // The stop question; returns kAnswerYes (6) or kAnswerNo (7).
    virtual int AskStop() = 0;
    // Label3 and Label5 of the main window.
    virtual void setCounters(int listPos, int listCount) = 0;
    // Disables the previous and next buttons.
    virtual void disableNavigation() = 0;
    virtual void setOpenDialogInitDir(const QString &dir) = 0;
};

struct CollectionContext
{
    MdlVELT &state;
    Settings &settings;
    // Not const: a collection that reads today's browsers adds today's types to it.
    ExtTable &ext;
    const RegistrySource &registry;
    const DriveMap &drives;
    UserDialogs &dialogs;
    CollectionHost &host;
    QDate today = QDate::currentDate();
    // Threads that copy into the working folder (0: a few, as the processors allow).
    int copyThreads = 0;
    // Copies one file; empty means copyFileInto. Tests put failures in here.
    CopyFunction copyFile = {};
    // The clock of the browser caches' time budget; empty means the system's monotonic one.
    ExtractBudget::Clock clock = {};
};

// The texts the collection shows.
extern const char *const kMsgTooManyCacheFolders;
extern const char *const kMsgAskStop;
extern const char *const kMsgListLimit;
extern const char *const kMsgNothingFound;
extern const char *const kMsgWorkFolderUnusable;
extern const char *const kMsgDiskFull;
extern const char *const kMsgOverQuota;
extern const char *const kMsgNamesRefused;
extern const char *const kMsgOverBudget;

// At most this many Internet Explorer cache sub-folders are scanned.
inline constexpr int kMaxCacheFolders = 21;

// The whole start-up collection: locate the caches, copy every file of a known type into
// WorkDir, list the pictures that pass the conditions and order them. Returns the location found
// (NsFound, ICPath, EditFile, ...).
CacheLocation GetICPath(CollectionContext &ctx);

// The conditions of one walk over WorkDir, read once from the settings.
struct WalkConditions
{
    QDate today;
    bool noConditions = true; // NoConditions empty or set: every picture is taken
    bool todayOnly = false;
    bool dateOnly = false;
    QDate filterDate; // invalid when FilterDate is no date: then no file matches it
    bool minSizeOn = false;
    bool maxSizeOn = false;
    double minSize = 0;
    double maxSize = 0;
};
WalkConditions walkConditions(const Settings &settings, const QDate &today);

enum class FileVerdict { Skip, List, Gif };

// The per-file rules of every walk over WorkDir: a picture name, not dated after today, and
// (unless there are no conditions) today only, the filter date, and the strict size bounds.
// GIF pictures go to the GIF list.
FileVerdict judgeFile(const QString &name, const QDateTime &modified, qint64 size,
                      const WalkConditions &conditions, const ExtTable &ext);

// Walks WorkDir (by upper-cased name) into the list and the GIF list by judgeFile, stopping
// when another file arrives while the list holds kListLimit entries; atLimit runs then. Does
// not order the lists. No windows, no messages.
void collectWorkDir(MdlVELT &state, const Settings &settings, const ExtTable &ext,
                    const QDate &today, const std::function<void()> &atLimit = {});

// The regular files directly in dir (no links), in the order every walk over the working
// folder takes them: by upper-cased name, as Windows file systems list a folder. Names that are
// not UTF-8 are kept as namebytes.h says.
std::vector<FolderFile> filesInWalkOrder(const QString &dir);

// Sub-folders of root in listing order, at most kMaxCacheFolders; tooMany is set when the 21st
// was found (the warning is due).
QStringList listCacheFolders(const QString &root, bool *tooMany);

} // namespace velt
