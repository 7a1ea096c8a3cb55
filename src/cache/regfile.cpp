#include "cache/regfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace velt {

// ---- store ----

std::string RegFileStore::fold(const std::string &text)
{
    bool ascii = true;
    std::string out = text;
    for (char &c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            ascii = false;
            break;
        }
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    if (ascii)
        return out;
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded().toStdString();
}

std::string RegFileStore::normalizedKey(const std::string &keyPath)
{
    // Empty components ("a\\b", a leading or trailing backslash) are dropped.
    std::string out;
    out.reserve(keyPath.size());
    std::size_t i = 0;
    while (i < keyPath.size()) {
        const std::size_t end = std::min(keyPath.find('\\', i), keyPath.size());
        if (end > i) {
            if (!out.empty())
                out += '\\';
            out.append(keyPath, i, end - i);
        }
        i = end + 1;
    }
    return fold(out);
}

bool RegFileStore::keyExists(std::uint32_t root, const std::string &keyPath) const
{
    const std::string key = normalizedKey(keyPath);
    return key.empty() || m_keys.count({root, key}) > 0;
}

std::optional<RegistryValue> RegFileStore::value(std::uint32_t root, const std::string &keyPath,
                                                 const std::string &valueName) const
{
    const auto key = m_keys.find({root, normalizedKey(keyPath)});
    if (key == m_keys.end())
        return std::nullopt;
    const auto v = key->second.find(fold(valueName));
    if (v == key->second.end())
        return std::nullopt;
    return v->second;
}

void RegFileStore::addKey(std::uint32_t root, const std::string &keyPath)
{
    const std::string key = normalizedKey(keyPath);
    if (key.empty())
        return;
    for (std::size_t sep = key.find('\\'); sep != std::string::npos; sep = key.find('\\', sep + 1))
        m_keys.try_emplace({root, key.substr(0, sep)});
    m_keys.try_emplace({root, key});
}

void RegFileStore::setValue(std::uint32_t root, const std::string &keyPath,
                            const std::string &valueName, RegistryValue value)
{
    addKey(root, keyPath);
    m_keys[{root, normalizedKey(keyPath)}][fold(valueName)] = std::move(value);
}

void RegFileStore::setString(std::uint32_t root, const std::string &keyPath,
                             const std::string &valueName, const std::string &utf8Text)
{
    RegistryValue v;
    v.type = kREG_SZ;
    v.data.assign(utf8Text.begin(), utf8Text.end());
    v.data.push_back(0);
    setValue(root, keyPath, valueName, std::move(v));
}

void RegFileStore::removeKey(std::uint32_t root, const std::string &keyPath)
{
    const std::string key = normalizedKey(keyPath);
    if (key.empty())
        return; // a root cannot be deleted
    auto it = m_keys.lower_bound({root, key});
    while (it != m_keys.end() && it->first.first == root
           && it->first.second.compare(0, key.size(), key) == 0) {
        const std::string &path = it->first.second;
        if (path.size() == key.size() || path[key.size()] == '\\')
            it = m_keys.erase(it);
        else
            ++it; // a sibling such as "key b" sorts between "key" and "key\sub"
    }
}

void RegFileStore::removeValue(std::uint32_t root, const std::string &keyPath,
                               const std::string &valueName)
{
    const auto key = m_keys.find({root, normalizedKey(keyPath)});
    if (key != m_keys.end())
        key->second.erase(fold(valueName));
}

std::uint32_t rootFromName(const std::string &name)
{
    struct Root
    {
        const char *longName;
        const char *shortName;
        std::uint32_t handle;
    };
    static const Root roots[] = {
            {"hkey_classes_root", "hkcr", kHKEY_CLASSES_ROOT},
            {"hkey_current_user", "hkcu", kHKEY_CURRENT_USER},
            {"hkey_local_machine", "hklm", kHKEY_LOCAL_MACHINE},
            {"hkey_users", "hku", kHKEY_USERS},
            {"hkey_current_config", "hkcc", kHKEY_CURRENT_CONFIG},
    };
    std::string lower = name;
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    for (const Root &r : roots) {
        if (lower == r.longName || lower == r.shortName)
            return r.handle;
    }
    return 0;
}

// ---- parser ----

namespace {

enum class Format { Regedit4, Version5 };

bool looksLikeUtf16Le(const QByteArray &bytes)
{
    // Text of an export is mostly ASCII, so in UTF-16LE nearly every second byte is zero.
    const qsizetype pairs = std::min<qsizetype>(bytes.size(), 512) / 2;
    if (pairs < 2)
        return false;
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == 0;
        oddZeros += bytes[2 * i + 1] == 0;
    }
    return oddZeros * 10 >= pairs * 6 && evenZeros * 10 <= pairs;
}

QString decodeEightBit(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: an export made on a Japanese Windows system, in its code page.
    QStringDecoder cp932("CP932");
    if (cp932.isValid())
        return cp932.decode(bytes);
    return QString::fromLatin1(bytes);
}

// The file's text and whether it was stored as 16-bit units.
QString decodeFile(const QByteArray &bytes, bool *wide)
{
    *wide = false;
    if (bytes.startsWith("\xFF\xFE")) {
        *wide = true;
        return QStringDecoder(QStringDecoder::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        *wide = true;
        return QStringDecoder(QStringDecoder::Utf16BE).decode(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3));
    if (looksLikeUtf16Le(bytes)) {
        *wide = true;
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes);
    }
    return decodeEightBit(bytes);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\f' || c == u'\v' || c == u'\r';
}

QStringView trimmedBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// A hexadecimal number of 1..8 digits, the whole of text.
std::optional<std::uint32_t> parseHex32(QStringView text)
{
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (QChar c : text) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        v = v * 16 + std::uint32_t(d);
    }
    return v;
}

// A quoted string at the start of s with \\ and \" escapes; other backslashes stay as written.
// Returns the number of characters consumed, or -1 when the closing quote is missing.
qsizetype parseQuoted(QStringView s, QString *out)
{
    out->clear();
    for (qsizetype i = 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"')
            return i + 1;
        if (c == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"')) {
            out->append(s[i + 1]);
            ++i;
            continue;
        }
        out->append(c);
    }
    return -1;
}

std::string toUtf8(const QString &s)
{
    return s.toStdString();
}

bool startsWithNoCase(QStringView s, QLatin1StringView prefix)
{
    return s.startsWith(prefix, Qt::CaseInsensitive);
}

class Parser
{
public:
    Parser(const QString &text, bool wide, const QString &name, RegFileStore &store)
        : m_text(text), m_name(name), m_store(store)
    {
        m_format = wide ? Format::Version5 : Format::Regedit4;
    }

    QStringList run()
    {
        bool first = true;
        QStringView line;
        while (nextLine(&line)) {
            const QStringView t = trimmedBlanks(line);
            if (t.isEmpty())
                continue;
            if (isHeader(t)) {
                first = false;
                continue;
            }
            if (first) {
                problem(m_lineNo,
                        QStringLiteral("no \"REGEDIT4\" or \"Windows Registry Editor "
                                       "Version 5.00\" header"));
                first = false;
            }
            if (t.startsWith(u';'))
                continue;
            if (t.startsWith(u'['))
                keyLine(t);
            else if (t.startsWith(u'"') || t.startsWith(u'@'))
                valueLine(t);
            else
                problem(m_lineNo, QStringLiteral("not a key, value or comment"));
        }
        if (m_problemCount > kMaxReportedProblems) {
            m_problems << QStringLiteral("%1: %2 more malformed lines skipped")
                                  .arg(m_name)
                                  .arg(m_problemCount - kMaxReportedProblems);
        }
        return m_problems;
    }

private:
    enum class KeyState { None, Bad, Good };

    // Lines end at LF or CR LF; a final line break does not start another line.
    bool nextLine(QStringView *line)
    {
        if (m_pos >= m_text.size())
            return false;
        const qsizetype nl = m_text.indexOf(u'\n', m_pos);
        const qsizetype end = nl < 0 ? m_text.size() : nl;
        QStringView l = QStringView(m_text).sliced(m_pos, end - m_pos);
        if (l.endsWith(u'\r'))
            l.chop(1);
        m_pos = end + 1;
        ++m_lineNo;
        *line = l;
        return true;
    }

    bool isHeader(QStringView t)
    {
        if (t == u"REGEDIT4") {
            m_format = Format::Regedit4;
            return true;
        }
        if (t == u"Windows Registry Editor Version 5.00") {
            m_format = Format::Version5;
            return true;
        }
        return false;
    }

    void problem(int lineNo, const QString &reason)
    {
        ++m_problemCount;
        if (m_problemCount <= kMaxReportedProblems)
            m_problems << QStringLiteral("%1:%2: %3").arg(m_name).arg(lineNo).arg(reason);
    }

    void keyLine(QStringView t)
    {
        m_keyState = KeyState::Bad;
        if (!t.endsWith(u']')) {
            problem(m_lineNo, QStringLiteral("key without closing bracket"));
            return;
        }
        QStringView inner = t.sliced(1, t.size() - 2);
        const bool remove = inner.startsWith(u'-');
        if (remove)
            inner = inner.sliced(1);
        const qsizetype sep = inner.indexOf(u'\\');
        const QStringView rootName = sep < 0 ? inner : inner.left(sep);
        const QStringView path = sep < 0 ? QStringView() : inner.sliced(sep + 1);
        const std::uint32_t root = rootFromName(toUtf8(rootName.toString()));
        if (root == 0) {
            problem(m_lineNo, QStringLiteral("unknown root key \"%1\"").arg(rootName));
            return;
        }
        const std::string keyPath = toUtf8(path.toString());
        if (remove) {
            m_store.removeKey(root, keyPath);
            return;
        }
        m_store.addKey(root, keyPath);
        m_root = root;
        m_keyPath = keyPath;
        m_keyState = KeyState::Good;
    }

    void valueLine(QStringView t)
    {
        const int startLine = m_lineNo;
        QString name;
        qsizetype i = 0;
        if (t.startsWith(u'@')) {
            i = 1;
        } else {
            i = parseQuoted(t, &name);
            if (i < 0) {
                problem(startLine, QStringLiteral("value name without closing quote"));
                return;
            }
        }
        QStringView rest = trimmedBlanks(t.sliced(i));
        if (!rest.startsWith(u'=')) {
            problem(startLine, QStringLiteral("no \"=\" after the value name"));
            return;
        }
        rest = trimmedBlanks(rest.sliced(1));

        QString joined; // a hex list continued over several lines
        if (startsWithNoCase(rest, QLatin1StringView("hex")) && rest.endsWith(u'\\')) {
            joined = rest.toString();
            bool complete = false;
            QStringView next;
            while (joined.endsWith(u'\\')) {
                joined.chop(1);
                if (!nextLine(&next))
                    break;
                joined += trimmedBlanks(next);
                if (!joined.endsWith(u'\\'))
                    complete = true;
            }
            if (!complete) {
                problem(startLine, QStringLiteral("file ends inside a continued value"));
                return;
            }
            rest = joined;
        }

        std::optional<RegistryValue> v;
        bool removeIt = false;
        QString error;
        if (rest.startsWith(u'"')) {
            QString text;
            const qsizetype used = parseQuoted(rest, &text);
            if (used < 0)
                error = QStringLiteral("text without closing quote");
            else if (!trimmedBlanks(rest.sliced(used)).isEmpty())
                error = QStringLiteral("characters after the closing quote");
            else {
                RegistryValue sz;
                sz.type = kREG_SZ;
                const QByteArray utf8 = text.toUtf8();
                sz.data.assign(utf8.begin(), utf8.end());
                sz.data.push_back(0);
                v = std::move(sz);
            }
        } else if (rest == u"-") {
            removeIt = true;
        } else if (startsWithNoCase(rest, QLatin1StringView("dword:"))) {
            const auto n = parseHex32(trimmedBlanks(rest.sliced(6)));
            if (!n) {
                error = QStringLiteral("dword needs 1 to 8 hexadecimal digits");
            } else {
                RegistryValue dw;
                dw.type = kREG_DWORD;
                for (int b = 0; b < 4; ++b)
                    dw.data.push_back(static_cast<unsigned char>(*n >> (8 * b)));
                v = std::move(dw);
            }
        } else if (startsWithNoCase(rest, QLatin1StringView("hex"))) {
            v = parseHexValue(rest.sliced(3), &error);
        } else {
            error = QStringLiteral("unrecognised value data");
        }

        if (!error.isEmpty()) {
            problem(startLine, error);
            return;
        }
        if (m_keyState == KeyState::None) {
            problem(startLine, QStringLiteral("value before any key"));
            return;
        }
        if (m_keyState == KeyState::Bad)
            return; // the key line was reported already
        const std::string valueName = toUtf8(name);
        if (removeIt)
            m_store.removeValue(m_root, m_keyPath, valueName);
        else
            m_store.setValue(m_root, m_keyPath, valueName, std::move(*v));
    }

    // s follows "hex": ":01,02" or "(N):01,02".
    std::optional<RegistryValue> parseHexValue(QStringView s, QString *error)
    {
        RegistryValue v;
        v.type = kREG_BINARY;
        if (s.startsWith(u'(')) {
            const qsizetype close = s.indexOf(u')');
            const auto type = close < 0 ? std::nullopt : parseHex32(s.sliced(1, close - 1));
            if (!type) {
                *error = QStringLiteral("bad type in hex(N)");
                return std::nullopt;
            }
            v.type = *type;
            s = s.sliced(close + 1);
        }
        if (!s.startsWith(u':')) {
            *error = QStringLiteral("no \":\" after hex");
            return std::nullopt;
        }
        s = s.sliced(1);
        v.data.reserve(std::size_t(s.size() / 3 + 1));
        qsizetype i = 0;
        const qsizetype n = s.size();
        while (i < n) {
            while (i < n && isBlank(s[i]))
                ++i;
            if (i == n)
                break;
            int digits = 0;
            int byte = 0;
            while (i < n && hexDigit(s[i]) >= 0) {
                byte = byte * 16 + hexDigit(s[i]);
                ++digits;
                ++i;
            }
            while (i < n && isBlank(s[i]))
                ++i;
            if (digits == 0 || digits > 2 || (i < n && s[i] != u',')) {
                *error = QStringLiteral("bad hexadecimal byte");
                return std::nullopt;
            }
            v.data.push_back(static_cast<unsigned char>(byte));
            ++i; // the comma; a trailing one ends the list
        }
        if (m_format == Format::Version5
            && (v.type == kREG_SZ || v.type == kREG_EXPAND_SZ || v.type == kREG_MULTI_SZ)) {
            // A version 5 file stores strings as UTF-16LE; the ANSI query returns 8-bit text.
            std::u16string units(v.data.size() / 2, u'\0');
            for (std::size_t k = 0; k < units.size(); ++k)
                units[k] = char16_t(v.data[2 * k] | (v.data[2 * k + 1] << 8));
            const QByteArray utf8 =
                    QString::fromUtf16(units.data(), qsizetype(units.size())).toUtf8();
            v.data.assign(utf8.begin(), utf8.end());
        }
        return v;
    }

    const QString &m_text;
    const QString m_name;
    RegFileStore &m_store;
    Format m_format;
    qsizetype m_pos = 0;
    int m_lineNo = 0;
    KeyState m_keyState = KeyState::None;
    std::uint32_t m_root = 0;
    std::string m_keyPath;
    int m_problemCount = 0;
    QStringList m_problems;
};

} // namespace

QStringList parseRegFile(const QByteArray &bytes, const QString &displayName, RegFileStore &store)
{
    bool wide = false;
    const QString text = decodeFile(bytes, &wide);
    return Parser(text, wide, displayName, store).run();
}

QStringList loadRegFile(const QString &path, RegFileStore &store)
{
    QFile file(path);
    // Only a regular file: a FIFO or device named by mistake would never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {QStringLiteral("%1: cannot be read").arg(path)};
    return parseRegFile(file.readAll(), path, store);
}

} // namespace velt
