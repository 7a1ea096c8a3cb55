#include "browser/entryfile.h"

#include <QFileInfo>

namespace velt {

EntryFile::EntryFile(const QString &path) : m_file(path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return;
    if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        m_size = m_file.size();
}

std::optional<QByteArray> EntryFile::read(qint64 offset, qint64 length)
{
    if (!m_file.isOpen() || offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
        return std::nullopt;
    if (!m_file.seek(offset))
        return std::nullopt;
    QByteArray data = m_file.read(length);
    if (data.size() != length)
        return std::nullopt;
    return data;
}

} // namespace velt
