#include "cache/winpath.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace velt {

namespace {

bool isDriveLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// Components between any separators, without empty ones.
QStringList components(QStringView path)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (i > start)
                parts << path.sliced(start, i - start).toString();
            start = i + 1;
        }
    }
    return parts;
}

QString joined(const QString &dir, const QString &name)
{
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

bool nameLess(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// The entry of dir whose name equals name apart from case; empty when there is none.
QString caseInsensitiveEntry(const QString &dir, const QString &name)
{
    const QStringList entries = QDir(dir).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QString best;
    for (const QString &e : entries) {
        if (QString::compare(e, name, Qt::CaseInsensitive) == 0
            && (best.isEmpty() || nameLess(e, best)))
            best = e;
    }
    return best;
}

bool sameChar(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

bool matchFrom(QStringView pattern, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || sameChar(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool DriveMap::add(const QString &mapping)
{
    if (mapping.size() < 4 || !isDriveLetter(mapping[0]) || mapping[1] != u':'
        || mapping[2] != u'=')
        return false;
    const QString dir = mapping.mid(3);
    set(mapping[0], QDir::cleanPath(QFileInfo(dir).absoluteFilePath()));
    return true;
}

void DriveMap::set(QChar drive, const QString &hostDir)
{
    const QChar key = drive.toUpper();
    if (hostDir.isEmpty())
        m_map.remove(key);
    else
        m_map.insert(key, QDir::cleanPath(hostDir));
}

QString DriveMap::folderFor(QChar drive) const
{
    return m_map.value(drive.toUpper());
}

QString hostPath(const QString &windowsPath, const DriveMap &drives)
{
    const QString &p = windowsPath;
    if (p.isEmpty())
        return QString();

    if (p.startsWith(u'/')) {
        QString out;
        out.reserve(p.size());
        for (QChar c : p) {
            if (!(c == u'/' && out.endsWith(u'/')))
                out += c;
        }
        if (out.size() > 1 && out.endsWith(u'/'))
            out.chop(1);
        return out;
    }

    const bool hasDrive = p.size() >= 2 && isDriveLetter(p[0]) && p[1] == u':';
    // A UNC path, a root of no known drive, or a relative value (which would name something
    // under whatever folder the program runs in).
    if (!hasDrive)
        return QString();

    const QString root = drives.folderFor(p[0]);
    if (root.isEmpty())
        return QString();

    // Windows resolves "." and ".." by the text alone, never above the drive's root.
    QStringList parts;
    for (const QString &c : components(QStringView(p).sliced(2))) {
        if (c == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (c != u".") {
            parts << c;
        }
    }

    QString current = root;
    bool found = true;
    for (const QString &c : std::as_const(parts)) {
        const QString asWritten = joined(current, c);
        if (found && !QFileInfo::exists(asWritten)) {
            const QString match = caseInsensitiveEntry(current, c);
            if (!match.isEmpty()) {
                current = joined(current, match);
                continue;
            }
            found = false;
        }
        current = asWritten;
    }
    return current;
}

bool wildcardMatch(const QString &pattern, const QString &name)
{
    if (matchFrom(pattern, name))
        return true;
    // "name.*" also matches "name", so "*.*" matches every file.
    return pattern.endsWith(QLatin1StringView(".*")) && !name.contains(u'.')
            && matchFrom(QStringView(pattern).chopped(2), name);
}

QStringList matchingFiles(const QString &dir, const QString &pattern)
{
    if (dir.isEmpty())
        return {}; // QDir would read "" as the current folder
    const QFileInfoList entries = QDir(dir).entryInfoList(
            QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList names;
    for (const QFileInfo &info : entries) {
        // isFile() follows a link: false for broken and looping links and special files.
        if (info.isFile() && wildcardMatch(pattern, info.fileName()))
            names << info.fileName();
    }
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

} // namespace velt
