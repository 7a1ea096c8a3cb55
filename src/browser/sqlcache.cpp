#include "browser/sqlcache.h"

#include "browser/entryfile.h"
#include "browser/responseinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

// libsqlite3 rather than QtSql: bodies are streamed from their blobs a chunk at a time
// (sqlite3_blob_read), the copy is opened with the hardening flags meant for databases from
// elsewhere, and a reader needs no process-wide named connection.

namespace velt {

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3"; // and its NUL: the first 16 bytes
constexpr qint64 kCopyChunk = 1024 * 1024;
// A shard that keeps changing while it is copied is taken as the last copy: its rows are
// checked one by one anyway.
constexpr int kCopyTries = 3;

bool isShardName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^sqldb[0-9]{1,4}$"));
    return pattern.match(name).hasMatch();
}

bool startsWithSqliteMagic(const QString &path)
{
    EntryFile file(path);
    const auto magic = file.read(0, sizeof kSqliteMagic);
    return magic && *magic == QByteArray(kSqliteMagic, sizeof kSqliteMagic);
}

// The checksums of a head or a blob cover its bytes followed by the key's hash, big-endian.
quint32 checksumTail(quint32 crc, qint64 keyHash)
{
    const quint32 hash = quint32(keyHash);
    const unsigned char tail[4] = {quint8(hash >> 24), quint8(hash >> 16), quint8(hash >> 8),
                                   quint8(hash)};
    return quint32(crc32(crc, tail, 4));
}

struct FileStamp
{
    qint64 size = -1;
    QDateTime modified;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

QList<FileStamp> stampsOf(const QStringList &paths)
{
    QList<FileStamp> stamps;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        stamps.append(info.exists() ? FileStamp{info.size(), info.lastModified()} : FileStamp{});
    }
    return stamps;
}

// Copies a regular file (not through a link) with plain reads, which take no lock.
bool copyPlainFile(const QString &from, const QString &to)
{
    EntryFile in(from);
    QFile::remove(to);
    QFile out(to);
    if (!in.isOpen()
        || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                     QFile::ReadOwner | QFile::WriteOwner))
        return false;
    for (qint64 at = 0; at < in.size(); at += kCopyChunk) {
        const auto data = in.read(at, qMin(kCopyChunk, in.size() - at));
        if (!data || out.write(*data) != data->size())
            return false;
    }
    return out.flush();
}

// Copies the shard with its journal or log into folder under the same names, again while the
// browser changes them meanwhile.
bool copyShard(const QString &dir, const QString &name, const QString &folder)
{
    static const QStringList suffixes{QString(), QStringLiteral("-journal"),
                                      QStringLiteral("-wal")};
    QStringList sources;
    for (const QString &suffix : suffixes)
        sources << QDir(dir).filePath(name + suffix);
    bool copied = false;
    for (int attempt = 0; attempt < kCopyTries; ++attempt) {
        const QList<FileStamp> before = stampsOf(sources);
        copied = true;
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const QString target = QDir(folder).filePath(name + suffixes[i]);
            QFile::remove(target);
            if (before[i].size >= 0 && !copyPlainFile(sources[i], target)) {
                QFile::remove(target);    // never half a journal
                copied = i > 0 && copied; // a journal may go between the look and the copy
            }
        }
        if (copied && stampsOf(sources) == before)
            break;
    }
    return copied;
}

struct DbCloser
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

// Opens the private copy. It is writable only so that SQLite can roll back a hot journal (a
// transaction the browser had not finished) or replay the log in the copy; nothing else is
// ever written, and the database is treated as coming from elsewhere.
Db openCopy(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    Db db(raw);
    if (opened != SQLITE_OK)
        return nullptr;
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    if (sqlite3_exec(raw, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr) != SQLITE_OK)
        return nullptr;
    // Nobody else opens the copy: its lock is taken once and kept, instead of a lock and a look
    // for a journal on every query.
    if (sqlite3_exec(raw, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return nullptr;
    // The first read rolls back or replays; after it, the copy only answers queries.
    if (sqlite3_exec(raw, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr)
                != SQLITE_OK
        || sqlite3_exec(raw, "PRAGMA query_only=ON", nullptr, nullptr, nullptr) != SQLITE_OK)
        return nullptr;
    return db;
}

struct Shard
{
    QString name;
    Db db;
    Statement resource;
    Statement blobs;
    Statement blobData;
};

// A blob row of an entry's body, as listed before it is read.
struct BlobRow
{
    qint64 id = 0;
    qint64 start = 0;
    qint64 end = 0;
    quint32 checksum = 0;
    qint64 length = 0;
};

// Entries are "SHARD/RES_ID", in shard and row order; of several live rows for one key (the
// browser replaced the entry), the newest.
class SqlFolderReader : public CacheFolderReader
{
public:
    explicit SqlFolderReader(const QString &dir)
        : m_work(QDir::tempPath() + QStringLiteral("/velt-sql-XXXXXX"))
    {
        if (!m_work.isValid())
            return;
        m_spool.setFileName(m_work.filePath(QStringLiteral("bodies")));
        if (!m_spool.open(QIODevice::ReadWrite | QIODevice::NewOnly,
                          QFile::ReadOwner | QFile::WriteOwner))
            return;
        for (const QString &name : fileNamesIn(dir, isShardName)) {
            if (!copyShard(dir, name, m_work.path()))
                continue;
            Shard shard;
            shard.name = name;
            shard.db = openCopy(m_work.filePath(name));
            if (!shard.db)
                continue;
            // A key or head past its limit is not fetched at all (a key has at least as many
            // bytes as characters).
            const QByteArray resource =
                    QStringLiteral("SELECT doomed, body_end, check_sum, cache_key_hash, CASE WHEN "
                                   "length(cache_key)<=%1 THEN cache_key END, CASE WHEN "
                                   "length(head)<=%2 THEN head END FROM resources WHERE res_id=?")
                            .arg(kMaxKeyLength)
                            .arg(kMaxResponseInfoLength)
                            .toLatin1();
            shard.resource = prepare(shard.db.get(), resource.constData());
            shard.blobs = prepare(shard.db.get(),
                                  "SELECT blob_id, start, end, check_sum, length(blob) FROM "
                                  "blobs WHERE res_id=? ORDER BY start");
            shard.blobData = prepare(shard.db.get(), "SELECT blob FROM blobs WHERE blob_id=?");
            if (shard.resource && shard.blobs && shard.blobData)
                m_shards.push_back(std::move(shard));
        }
        std::sort(m_shards.begin(), m_shards.end(), [](const Shard &a, const Shard &b) {
            return a.name.mid(5).toInt() < b.name.mid(5).toInt();
        });
    }

    QStringList entries() override
    {
        QStringList handles;
        for (const Shard &shard : m_shards) {
            const Statement live = prepare(
                    shard.db.get(),
                    "SELECT res_id FROM resources AS r WHERE doomed=0 AND NOT EXISTS (SELECT 1 "
                    "FROM resources AS n WHERE n.cache_key_hash=r.cache_key_hash AND "
                    "n.cache_key=r.cache_key AND n.doomed=0 AND n.res_id>r.res_id) ORDER BY "
                    "res_id");
            if (!live)
                continue;
            while (sqlite3_step(live.get()) == SQLITE_ROW)
                handles << shard.name + QLatin1Char('/')
                                + QString::number(sqlite3_column_int64(live.get(), 0));
        }
        return handles;
    }

    std::optional<CachedResponse> read(const QString &entry) override
    {
        const QString shardName = entry.section(QLatin1Char('/'), 0, 0);
        bool isNumber = false;
        const qint64 resId = entry.section(QLatin1Char('/'), 1).toLongLong(&isNumber);
        const auto shard = std::find_if(m_shards.begin(), m_shards.end(),
                                        [&](const Shard &s) { return s.name == shardName; });
        if (!isNumber || shard == m_shards.end())
            return std::nullopt;
        const qint64 spoolAt = m_spoolEnd;
        auto response = readEntry(*shard, resId);
        if (!response && m_spoolEnd != spoolAt) { // what a rejected entry left there
            m_spool.resize(spoolAt);
            m_spool.seek(spoolAt);
            m_spoolEnd = spoolAt;
        }
        return response;
    }

private:
    std::optional<CachedResponse> readEntry(Shard &shard, qint64 resId)
    {
        sqlite3_stmt *row = shard.resource.get();
        sqlite3_reset(row);
        sqlite3_bind_int64(row, 1, resId);
        if (sqlite3_step(row) != SQLITE_ROW || sqlite3_column_int64(row, 0) != 0)
            return std::nullopt; // gone, or doomed
        const qint64 bodyEnd = sqlite3_column_int64(row, 1);
        const quint32 headChecksum = quint32(sqlite3_column_int64(row, 2));
        const qint64 keyHash = sqlite3_column_int64(row, 3);
        const QByteArray key(static_cast<const char *>(sqlite3_column_blob(row, 4)),
                             sqlite3_column_bytes(row, 4));
        const QByteArray head(static_cast<const char *>(sqlite3_column_blob(row, 5)),
                              sqlite3_column_bytes(row, 5));
        sqlite3_reset(row);
        if (key.isEmpty() || key.size() > kMaxKeyLength || head.isEmpty() || bodyEnd < 0)
            return std::nullopt;
        const quint32 crc =
                quint32(crc32(0, reinterpret_cast<const Bytef *>(head.constData()), head.size()));
        if (checksumTail(crc, keyHash) != headChecksum)
            return std::nullopt; // a head being rewritten, or damage
        const auto info = parseResponseInfo(head);
        if (!info)
            return std::nullopt;

        CachedResponse response;
        response.url = urlFromChromiumKey(key);
        response.site = siteFromChromiumKey(key);
        response.hash = QStringLiteral("%1").arg(quint32(keyHash), 8, 16, QLatin1Char('0'));
        response.head = info->head;
        response.fetched = info->fetched;
        response.truncated = info->truncated;

        // The blobs must tile the body without overlap and reach its recorded end: anything
        // else is a body cut or changed meanwhile. Media fetched by ranges may leave gaps; the
        // body is what runs on from offset 0.
        std::vector<BlobRow> rows;
        sqlite3_stmt *list = shard.blobs.get();
        sqlite3_reset(list);
        sqlite3_bind_int64(list, 1, resId);
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(list)) == SQLITE_ROW) {
            rows.push_back({sqlite3_column_int64(list, 0), sqlite3_column_int64(list, 1),
                            sqlite3_column_int64(list, 2), quint32(sqlite3_column_int64(list, 3)),
                            sqlite3_column_int64(list, 4)});
        }
        sqlite3_reset(list);
        if (step != SQLITE_DONE)
            return std::nullopt;
        qint64 reached = 0;
        for (const BlobRow &blob : rows) {
            if (blob.start < reached || blob.end - blob.start != blob.length || blob.length <= 0)
                return std::nullopt;
            reached = blob.end;
        }
        if (reached != bodyEnd)
            return std::nullopt;

        const qint64 bodyAt = m_spoolEnd;
        qint64 covered = 0;
        for (const BlobRow &blob : rows) {
            if (blob.start != covered) {
                // Only ranges leave gaps; in a whole response one is a blob gone meanwhile.
                if (response.head.status != 206)
                    return std::nullopt;
                response.gap = true;
                break;
            }
            if (!spoolBlob(shard, blob, keyHash))
                return std::nullopt;
            covered = blob.end;
        }
        if (!m_spool.flush())
            return std::nullopt;
        if (covered > 0)
            response.body.append({m_spool.fileName(), bodyAt, covered});
        return response;
    }

    // Appends a blob's bytes to the spool, a large one a chunk at a time, checking its checksum.
    bool spoolBlob(Shard &shard, const BlobRow &blob, qint64 keyHash)
    {
        m_spoolEnd += blob.length; // whatever part of it was written
        if (blob.length <= kCopyChunk) {
            sqlite3_stmt *data = shard.blobData.get();
            sqlite3_reset(data);
            sqlite3_bind_int64(data, 1, blob.id);
            if (sqlite3_step(data) != SQLITE_ROW)
                return false;
            const void *bytes = sqlite3_column_blob(data, 0);
            const bool whole = bytes && sqlite3_column_bytes(data, 0) == blob.length
                    && m_spool.write(static_cast<const char *>(bytes), blob.length) == blob.length;
            const quint32 crc = whole
                    ? quint32(crc32(0, static_cast<const Bytef *>(bytes), uInt(blob.length)))
                    : 0;
            sqlite3_reset(data);
            return whole && checksumTail(crc, keyHash) == blob.checksum;
        }
        sqlite3_blob *raw = nullptr;
        if (sqlite3_blob_open(shard.db.get(), "main", "blobs", "blob", blob.id, 0, &raw)
            != SQLITE_OK) {
            sqlite3_blob_close(raw);
            return false;
        }
        const std::unique_ptr<sqlite3_blob, int (*)(sqlite3_blob *)> handle(raw,
                                                                            sqlite3_blob_close);
        if (sqlite3_blob_bytes(raw) != blob.length)
            return false;
        QByteArray chunk;
        quint32 crc = quint32(crc32(0, nullptr, 0));
        for (qint64 at = 0; at < blob.length;) {
            const int n = int(qMin(kCopyChunk, blob.length - at));
            chunk.resize(n);
            if (sqlite3_blob_read(raw, chunk.data(), n, int(at)) != SQLITE_OK
                || m_spool.write(chunk) != n)
                return false;
            crc = quint32(crc32(crc, reinterpret_cast<const Bytef *>(chunk.constData()), n));
            at += n;
        }
        return checksumTail(crc, keyHash) == blob.checksum;
    }

    QTemporaryDir m_work;
    QFile m_spool; // written at its end only
    qint64 m_spoolEnd = 0;
    std::vector<Shard> m_shards;
};

class SqlFormatReader : public CacheFormatReader
{
public:
    CacheFormat format() const override { return CacheFormat::Sql; }
    bool holdsCache(const QString &dir) const override
    {
        return startsWithSqliteMagic(QDir(dir).filePath(QStringLiteral("sqldb0")));
    }
    std::unique_ptr<CacheFolderReader> open(const QString &dir) const override
    {
        return std::make_unique<SqlFolderReader>(dir);
    }
};

} // namespace

const CacheFormatReader &sqlCacheReader()
{
    static const SqlFormatReader reader;
    return reader;
}

} // namespace velt
