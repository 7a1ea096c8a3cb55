#include "browser/entryfile.h"

#include <QFileInfo>

namespace velt {

namespace {

constexpr qint64 kReadWholeBelow = 64 * 1024;

} // namespace

EntryFile::EntryFile(const QString &path) : m_file(path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return;
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    m_size = m_file.size();
    if (m_size <= kReadWholeBelow) {
        m_whole = m_file.read(m_size);
        m_size = m_whole.size(); // a file that shrank meanwhile is what could be read
        m_readWhole = true;
    }
}

std::optional<QByteArray> EntryFile::read(qint64 offset, qint64 length)
{
    if (!m_file.isOpen() || offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
        return std::nullopt;
    if (m_readWhole)
        return m_whole.mid(offset, length);
    if (!m_file.seek(offset))
        return std::nullopt;
    QByteArray data = m_file.read(length);
    if (data.size() != length)
        return std::nullopt;
    return data;
}

} // namespace velt
