#pragma once

#include "cache/collection.h"

#include <QFile>
#include <QString>
#include <QTextStream>

namespace velt {

// What the window-less commands share: standard streams held open, messages on standard error,
// standard output with its failures seen, and a collection host without windows.

// A standard stream closed at start would be taken by the next file the program opens, and
// its output would land in that file: each one is held open on /dev/null instead.
void holdStandardStreams();

// One line of the program's own on standard error.
void printErr(const QString &text);

// Standard output for the line-oriented modes, with its failures seen: closed at start, a full
// disk, a reader that went away (SIGPIPE is ignored in these modes, so that shows as EPIPE).
class CheckedStdout
{
public:
    CheckedStdout();
    QTextStream &stream() { return m_stream; }

    // Flushes; false, with a line on standard error, when anything was not written.
    bool finish(const char *what);

private:
    QFile m_file;
    QTextStream m_stream;
};

// The collection without windows: the list mode's host.
class ConsoleHost : public CollectionHost
{
public:
    void showSplash() override { }
    void closeSplash() override { }
    void setProgress(int) override { }
    void setLoadLabel(const QString &) override { }
    void yield() override { }
    void waitOneTick() override { }
    int AskStop() override { return kAnswerNo; }
    void setCounters(int, int) override { }
    void disableNavigation() override { }
    void setOpenDialogInitDir(const QString &) override { }
};

} // namespace velt
