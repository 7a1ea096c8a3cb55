#pragma once

// Chromium SQL caches written with SQLite the way the backend lays them out: a database per
// shard with a "resources" row per entry (key, response info, body end, checksums) and the
// body in "blobs" rows of [start, end) ranges.

#include "browser/cachebuilder.h"

#include <QDir>

#include <sqlite3.h>
#include <zlib.h>

namespace cachebuilder {

struct SqlEntry
{
    ChromiumEntry entry;                        // key, head, body (when no pieces are given)
    QList<std::pair<qint64, QByteArray>> blobs; // the body's rows: start and bytes
    int shard = 0;
    bool doomed = false;
    qint64 bodyEnd = -1; // the recorded end; -1: where the blobs end
};

// The checksum of a head or blob: its bytes, then the key's hash big-endian.
inline qint64 sqlChecksum(const QByteArray &data, quint32 keyHash)
{
    const QByteArray all = data + be32(keyHash);
    return qint32(crc32(0, reinterpret_cast<const Bytef *>(all.constData()), uInt(all.size())));
}

inline quint32 sqlKeyHash(const QByteArray &key)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef *>(key.constData()), uInt(key.size())));
}

inline const char *sqlSchema()
{
    return "CREATE TABLE resources(res_id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,"
           "last_used INTEGER NOT NULL,hints INTEGER NOT NULL,body_end INTEGER NOT NULL,"
           "bytes_usage INTEGER NOT NULL,doomed INTEGER NOT NULL,check_sum INTEGER NOT NULL,"
           "cache_key_hash INTEGER NOT NULL,cache_key TEXT NOT NULL,head BLOB);"
           "CREATE TABLE blobs(blob_id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,"
           "res_id INTEGER NOT NULL,start INTEGER NOT NULL,end INTEGER NOT NULL,"
           "check_sum INTEGER NOT NULL,blob BLOB NOT NULL);"
           "CREATE INDEX index_resources_cache_key_hash_doomed ON "
           "resources(cache_key_hash, doomed);"
           "CREATE UNIQUE INDEX index_blobs_res_id_start ON blobs(res_id, start);"
           "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
           "INSERT INTO meta VALUES('version','8'),('last_compatible_version','8');";
}

// Runs sql on a shard's database; false on any error.
inline bool sqlExec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Adds an entry to an open shard database.
inline bool sqlInsert(sqlite3 *db, const SqlEntry &e)
{
    const QByteArray head = responseInfo(e.entry);
    const quint32 hash = sqlKeyHash(e.entry.key);
    auto blobs = e.blobs;
    if (blobs.isEmpty() && !e.entry.body.isEmpty())
        blobs = {{0, e.entry.body}};
    qint64 end = 0;
    for (const auto &[start, bytes] : std::as_const(blobs))
        end = qMax(end, start + bytes.size());
    sqlite3_stmt *row = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO resources(last_used,hints,body_end,bytes_usage,doomed,"
                       "check_sum,cache_key_hash,cache_key,head) VALUES(1,0,?,?,?,?,?,?,?)",
                       -1, &row, nullptr);
    sqlite3_bind_int64(row, 1, e.bodyEnd >= 0 ? e.bodyEnd : end);
    sqlite3_bind_int64(row, 2, end + head.size());
    sqlite3_bind_int(row, 3, e.doomed ? 1 : 0);
    sqlite3_bind_int64(row, 4, sqlChecksum(head, hash));
    sqlite3_bind_int64(row, 5, qint32(hash));
    sqlite3_bind_text(row, 6, e.entry.key.constData(), int(e.entry.key.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(row, 7, head.constData(), int(head.size()), SQLITE_TRANSIENT);
    bool done = sqlite3_step(row) == SQLITE_DONE;
    sqlite3_finalize(row);
    const qint64 resId = sqlite3_last_insert_rowid(db);
    for (const auto &[start, bytes] : std::as_const(blobs)) {
        sqlite3_prepare_v2(db,
                           "INSERT INTO blobs(res_id,start,end,check_sum,blob) VALUES(?,?,?,?,?)",
                           -1, &row, nullptr);
        sqlite3_bind_int64(row, 1, resId);
        sqlite3_bind_int64(row, 2, start);
        sqlite3_bind_int64(row, 3, start + bytes.size());
        sqlite3_bind_int64(row, 4, sqlChecksum(bytes, hash));
        sqlite3_bind_blob(row, 5, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        done = sqlite3_step(row) == SQLITE_DONE && done;
        sqlite3_finalize(row);
    }
    return done;
}

inline sqlite3 *sqlOpenShard(const QString &dir, int shard)
{
    sqlite3 *db = nullptr;
    sqlite3_open(
            QFile::encodeName(QDir(dir).filePath(QStringLiteral("sqldb%1").arg(shard))).constData(),
            &db);
    return db;
}

// Writes shards sqldb0 .. sqldb(shards - 1) into dir with the entries, as the browser leaves
// them when it closes (a truncated journal beside each).
inline bool writeSqlCache(const QString &dir, const QList<SqlEntry> &entries, int shards = 3)
{
    QDir().mkpath(dir);
    writeFile(QDir(dir).filePath(QStringLiteral("index")), "SQLCacheTruncate3");
    bool done = true;
    for (int shard = 0; shard < shards; ++shard) {
        sqlite3 *db = sqlOpenShard(dir, shard);
        done = sqlExec(db, "PRAGMA journal_mode=TRUNCATE; PRAGMA synchronous=OFF")
                && sqlExec(db, sqlSchema()) && done;
        sqlExec(db, "BEGIN");
        for (const SqlEntry &e : entries) {
            if (e.shard == shard)
                done = sqlInsert(db, e) && done;
        }
        done = sqlExec(db, "COMMIT") && done;
        sqlite3_close(db);
    }
    return done;
}

} // namespace cachebuilder
