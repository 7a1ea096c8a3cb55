#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace velt {

// A cache file opened for reading by offset, every read checked against its size. Only regular
// files are opened, never through a symbolic link. Small files (most entries) are read whole at
// once: an entry is read in several places.
class EntryFile
{
public:
    explicit EntryFile(const QString &path);
    bool isOpen() const { return m_file.isOpen(); }
    qint64 size() const { return m_size; }
    // Exactly length bytes at offset; empty when they are not all there.
    std::optional<QByteArray> read(qint64 offset, qint64 length);

private:
    QFile m_file;
    qint64 m_size = 0;
    QByteArray m_whole; // the file, when it is small
    bool m_readWhole = false;
};

inline quint32 le32(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8
            | quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

inline quint64 le64(const QByteArray &b, qsizetype at)
{
    return quint64(le32(b, at)) | quint64(le32(b, at + 4)) << 32;
}

inline quint32 be32(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16
            | quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
}

} // namespace velt
