#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace velt {

class WorkFolder;
struct FileStatus;

// What is known about one file written into the working folder from a browser cache.
struct SourceFacts
{
    QString url;
    QString source; // the application and profile whose cache it came from; empty when unknown
    qint64 contentLength = -1; // the length the server announced for the whole body; -1 unknown
    bool cut = false;          // the body is shorter than announced, or its format's end is missing
    QString format;            // the report's format name: "Png", "Jpeg"
    qint64 size = 0;           // the file as written: a changed file has no facts any more
    QDateTime modified;
    // The stored response: its status, Content-Type and Content-Encoding (0 and empty unknown).
    int status = 0;
    QString contentType;
    QString encoding;
    QString site;        // the top-frame site the cache partitioned it under; empty when none
    QString cacheFolder; // the cache folder it was read from
    QString cacheFormat; // "Firefox cache2", "Chromium Simple", "Chromium blockfile", "Chromium
                         // SQL"
};

// The lines a window adds to a picture's tooltip for a file from today's caches: the address,
// the site it came from and when it was fetched (the copy's time is the fetch time).
QString sourceToolTip(const SourceFacts &facts);

// The facts by working-folder file name. Verdicts come only from the table in memory, filled by
// this run; the hidden copy beside the files is written for a look by hand and never decides
// a verdict (a planted one must not).
class SourceTable
{
public:
    // The hidden file's name in the working folder.
    static const char *const kFileName;

    void clear() { m_facts.clear(); }
    bool isEmpty() const { return m_facts.isEmpty(); }
    qsizetype size() const { return m_facts.size(); }
    void insert(const QString &fileName, const SourceFacts &facts);
    void remove(const QString &fileName) { m_facts.remove(fileName); }
    QStringList fileNames() const { return m_facts.keys(); }
    // The facts of a file, only when it still has the size and time it was written with
    // (status: what fileStatus says about path now).
    std::optional<SourceFacts> lookup(const QString &path, const FileStatus &status) const;
    std::optional<SourceFacts> lookup(const QString &path) const;

    // Writes the table into folder (through a temporary file); false on failure.
    bool save(const QString &folder) const;
    bool save(const WorkFolder &folder) const;
    // The table saved in folder; empty when there is none or it cannot be read.
    static SourceTable load(const QString &folder);

private:
    QByteArray serialized() const;
    QHash<QString, SourceFacts> m_facts;
};

} // namespace velt
