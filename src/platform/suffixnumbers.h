#pragma once

#include <QHash>
#include <QString>

namespace velt {

// The numbers to try, per name, when files are placed in one folder without replacing any:
// 1 (the name itself) at first, then 2, 3, ... as suffixes. Each number is handed out once, so
// thousands of files of one name cost one try each instead of retrying every name before theirs,
// and since the numbers run on until one is free no file is ever dropped for want of a name.
class SuffixNumbers
{
public:
    qint64 next(const QString &name)
    {
        qint64 &n = m_next[name];
        if (n < 1)
            n = 1;
        return n++;
    }

private:
    QHash<QString, qint64> m_next;
};

} // namespace velt
