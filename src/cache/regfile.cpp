#include "cache/regfile.h"

#include "platform/printable.h"
#include "platform/textfile.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <set>

namespace velt {

// ---- store ----

namespace {

bool isUnder(std::string_view path, std::string_view ancestor)
{
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\'
            && path.compare(0, ancestor.size(), ancestor) == 0;
}

std::string_view viewOf(const std::string &s)
{
    return std::string_view(s);
}

} // namespace

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

std::string_view RegFileStore::textOf(const Record &r) const
{
    return std::string_view(m_arena).substr(r.textAt, r.textSize);
}

bool RegFileStore::append(Record r, std::string_view text, std::string_view data)
{
    // Offsets are 32-bit: a store of more than 4 GB of text takes nothing more.
    constexpr std::size_t kMaxArena = 0xFFFFFFFFu;
    if (m_records.size() >= 0xFFFFFFFFu || m_arena.size() + text.size() + data.size() > kMaxArena)
        return false;
    r.textAt = std::uint32_t(m_arena.size());
    r.textSize = std::uint32_t(text.size());
    m_arena.append(text);
    r.dataAt = std::uint32_t(m_arena.size());
    r.dataSize = std::uint32_t(data.size());
    m_arena.append(data);
    m_records.push_back(r);
    if (r.op == Op::AddKey || r.op == Op::RemoveKey)
        m_lastKeyRecord = std::uint32_t(m_records.size() - 1);
    return true;
}

bool RegFileStore::keyExists(std::uint32_t root, const std::string &keyPath) const
{
    const std::string key = normalizedKey(keyPath);
    if (key.empty())
        return true;
    // The latest record that says anything about the key decides: one that stored the key or a
    // key below it, or one that removed the key or a key above it.
    for (auto r = m_records.rbegin(); r != m_records.rend(); ++r) {
        if (r->owner != root || (r->op != Op::AddKey && r->op != Op::RemoveKey))
            continue;
        const std::string_view path = textOf(*r);
        if (r->op == Op::AddKey && (path == viewOf(key) || isUnder(path, key)))
            return true;
        if (r->op == Op::RemoveKey && (path == viewOf(key) || isUnder(key, path)))
            return false;
    }
    return false;
}

std::optional<RegistryValue> RegFileStore::find(std::uint32_t root, const std::string &foldedKey,
                                                const std::string &foldedName) const
{
    // Whether each key record is the key asked for, worked out once per record.
    std::vector<signed char> isKey(m_records.size(), -1);
    for (std::size_t i = m_records.size(); i-- > 0;) {
        const Record &r = m_records[i];
        switch (r.op) {
        case Op::AddKey:
            break;
        case Op::RemoveKey: {
            const std::string_view path = textOf(r);
            if (r.owner == root && (path == viewOf(foldedKey) || isUnder(foldedKey, path)))
                return std::nullopt;
            break;
        }
        case Op::SetValue:
        case Op::RemoveValue: {
            if (textOf(r) != viewOf(foldedName))
                break;
            signed char &known = isKey[r.owner];
            if (known < 0) {
                const Record &key = m_records[r.owner];
                known = key.owner == root && textOf(key) == viewOf(foldedKey);
            }
            if (!known)
                break;
            if (r.op == Op::RemoveValue)
                return std::nullopt;
            RegistryValue v;
            v.type = r.type;
            const auto *data = reinterpret_cast<const unsigned char *>(m_arena.data()) + r.dataAt;
            v.data.assign(data, data + r.dataSize);
            return v;
        }
        }
    }
    return std::nullopt;
}

std::optional<RegistryValue> RegFileStore::value(std::uint32_t root, const std::string &keyPath,
                                                 const std::string &valueName) const
{
    return find(root, normalizedKey(keyPath), fold(valueName));
}

RegFileStore::KeyHandle RegFileStore::addKey(std::uint32_t root, const std::string &keyPath)
{
    // A run of values under one key shares one record.
    // Only the latest key record can be shared: looking it up by index keeps a section
    // repeated many times, with values between, linear.
    const std::string key = normalizedKey(keyPath);
    if (m_lastKeyRecord) {
        const Record &last = m_records[*m_lastKeyRecord];
        if (last.op == Op::AddKey && last.owner == root && textOf(last) == viewOf(key))
            return KeyHandle(*m_lastKeyRecord);
    }
    Record r;
    r.op = Op::AddKey;
    r.owner = root;
    append(r, key);
    return KeyHandle(m_records.size() - 1);
}

std::optional<RegFileStore::KeyHandle> RegFileStore::keyRecordFor(KeyHandle key)
{
    if (key >= m_records.size() || m_records[key].op != Op::AddKey)
        return std::nullopt;
    if (!m_lastRemoval || *m_lastRemoval < key)
        return key;
    // Removed since: the value makes the key exist again, as a new record after the removal.
    Record r = m_records[key];
    const std::string path(textOf(r));
    if (!append(r, path))
        return std::nullopt;
    return KeyHandle(m_records.size() - 1);
}

void RegFileStore::setValue(KeyHandle key, const std::string &valueName, RegistryValue value)
{
    const auto owner = keyRecordFor(key);
    if (!owner)
        return;
    Record r;
    r.op = Op::SetValue;
    r.owner = *owner;
    r.type = value.type;
    const std::string_view data(reinterpret_cast<const char *>(value.data.data()),
                                value.data.size());
    append(r, fold(valueName), data);
}

void RegFileStore::setValue(std::uint32_t root, const std::string &keyPath,
                            const std::string &valueName, RegistryValue value)
{
    setValue(addKey(root, keyPath), valueName, std::move(value));
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
    Record r;
    r.op = Op::RemoveKey;
    r.owner = root;
    if (append(r, key))
        m_lastRemoval = std::uint32_t(m_records.size() - 1);
}

void RegFileStore::removeValue(KeyHandle key, const std::string &valueName)
{
    if (key >= m_records.size() || m_records[key].op != Op::AddKey)
        return;
    // A key removed since has no values left to remove.
    if (m_lastRemoval && *m_lastRemoval > key)
        return;
    Record r;
    r.op = Op::RemoveValue;
    r.owner = key;
    append(r, fold(valueName));
}

void RegFileStore::removeValue(std::uint32_t root, const std::string &keyPath,
                               const std::string &valueName)
{
    // Removing a value does not make its key exist.
    if (!keyExists(root, keyPath))
        return;
    removeValue(addKey(root, keyPath), valueName);
}

std::size_t RegFileStore::keyCount() const
{
    std::set<std::pair<std::uint32_t, std::string_view>> keys;
    for (const Record &r : m_records) {
        const std::string_view path = textOf(r);
        if (r.op == Op::AddKey && !path.empty()) {
            keys.emplace(r.owner, path);
        } else if (r.op == Op::RemoveKey) {
            // The key and everything below it: names from "path\" up to "path]".
            keys.erase({r.owner, path});
            const std::string below = std::string(path) + '\\';
            const std::string after = std::string(path) + char('\\' + 1);
            keys.erase(keys.lower_bound({r.owner, below}), keys.lower_bound({r.owner, after}));
        }
    }
    return keys.size();
}

std::size_t RegFileStore::memoryBytes() const
{
    // The deque's blocks hold whole records; its map holds a pointer per block.
    const std::size_t perBlock = std::max<std::size_t>(1, 512 / sizeof(Record));
    const std::size_t blocks = m_records.size() / perBlock + 1;
    return m_arena.capacity() + blocks * (perBlock * sizeof(Record) + sizeof(void *));
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
enum class Encoding { EightBit, Utf16Le, Utf16Be };

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

// The file's lines, decoded one at a time, so that only one line is ever held as text.
class LineReader
{
public:
    explicit LineReader(const QByteArray &bytes) : m_bytes(bytes)
    {
        if (bytes.startsWith("\xFF\xFE")) {
            m_encoding = Encoding::Utf16Le;
            m_pos = 2;
        } else if (bytes.startsWith("\xFE\xFF")) {
            m_encoding = Encoding::Utf16Be;
            m_pos = 2;
        } else if (bytes.startsWith("\xEF\xBB\xBF")) {
            m_pos = 3;
        } else if (looksLikeUtf16Le(bytes)) {
            m_encoding = Encoding::Utf16Le;
        }
    }

    bool wide() const { return m_encoding != Encoding::EightBit; }
    int lineNo() const { return m_lineNo; }

    // Lines end at LF or CR LF; a final line break does not start another line.
    bool next(QString *line)
    {
        const qsizetype size = m_bytes.size();
        if (m_pos >= size)
            return false;
        ++m_lineNo;
        if (m_encoding == Encoding::EightBit) {
            const qsizetype nl = m_bytes.indexOf('\n', m_pos);
            const qsizetype end = nl < 0 ? size : nl;
            *line = m_decoder.decode(QByteArrayView(m_bytes).sliced(m_pos, end - m_pos));
            m_pos = end + 1;
        } else {
            const bool le = m_encoding == Encoding::Utf16Le;
            qsizetype end = m_pos;
            while (end + 1 < size) {
                const char low = le ? m_bytes[end] : m_bytes[end + 1];
                const char high = le ? m_bytes[end + 1] : m_bytes[end];
                if (low == '\n' && high == 0)
                    break;
                end += 2;
            }
            if (end + 1 >= size)
                end = size; // no line feed: the rest, an odd last byte included
            QStringDecoder decoder(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                                   QStringDecoder::Flag::Stateless);
            *line = decoder.decode(QByteArrayView(m_bytes).sliced(m_pos, end - m_pos));
            m_pos = end + 2;
        }
        if (line->endsWith(u'\r'))
            line->chop(1);
        return true;
    }

private:
    const QByteArray &m_bytes;
    Encoding m_encoding = Encoding::EightBit;
    qsizetype m_pos = 0;
    int m_lineNo = 0;
    TextLineDecoder m_decoder;
};

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

std::string toUtf8(QStringView s)
{
    return s.toUtf8().toStdString();
}

bool startsWithNoCase(QStringView s, QLatin1StringView prefix)
{
    return s.startsWith(prefix, Qt::CaseInsensitive);
}

// A piece of the file quoted in a problem line: short, and on one line.
QString quoted(QStringView text)
{
    constexpr qsizetype kShown = 40;
    const QString shown = printableText(text.left(kShown));
    return QLatin1Char('"') + shown + (text.size() > kShown ? QStringLiteral("...\"") : "\"");
}

// Why a key path breaks the registry's limits; empty when it does not.
QString keyPathProblem(QStringView path)
{
    if (path.toUtf8().size() > kMaxKeyPathBytes)
        return QStringLiteral("key path longer than %1 bytes").arg(kMaxKeyPathBytes);
    int components = 0;
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf(u'\\', start);
        if (end < 0)
            end = path.size();
        if (end > start) {
            if (++components > kMaxKeyComponents)
                return QStringLiteral("key path of more than %1 components").arg(kMaxKeyComponents);
            if (end - start > kMaxKeyNameChars)
                return QStringLiteral("key name longer than %1 characters").arg(kMaxKeyNameChars);
        }
        start = end + 1;
    }
    return QString();
}

class Parser
{
public:
    Parser(const QByteArray &bytes, const QString &name, RegFileStore &store)
        : m_lines(bytes), m_name(name), m_store(store)
    {
        m_format = m_lines.wide() ? Format::Version5 : Format::Regedit4;
    }

    QStringList run()
    {
        bool first = true;
        QString line;
        while (m_lines.next(&line)) {
            const QStringView t = trimmedBlanks(line);
            if (t.isEmpty())
                continue;
            if (isHeader(t)) {
                first = false;
                continue;
            }
            if (first) {
                problem(m_lines.lineNo(),
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
                problem(m_lines.lineNo(), QStringLiteral("not a key, value or comment"));
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
            problem(m_lines.lineNo(), QStringLiteral("key without closing bracket"));
            return;
        }
        QStringView inner = t.sliced(1, t.size() - 2);
        const bool remove = inner.startsWith(u'-');
        if (remove)
            inner = inner.sliced(1);
        const qsizetype sep = inner.indexOf(u'\\');
        const QStringView rootName = sep < 0 ? inner : inner.left(sep);
        const QStringView path = sep < 0 ? QStringView() : inner.sliced(sep + 1);
        const std::uint32_t root =
                rootName.size() > 32 ? 0 : rootFromName(toUtf8(rootName)); // no root is longer
        if (root == 0) {
            problem(m_lines.lineNo(), QStringLiteral("unknown root key %1").arg(quoted(rootName)));
            return;
        }
        if (const QString why = keyPathProblem(path); !why.isEmpty()) {
            problem(m_lines.lineNo(), why);
            return;
        }
        const std::string keyPath = toUtf8(path);
        if (remove) {
            m_store.removeKey(root, keyPath);
            return;
        }
        m_key = m_store.addKey(root, keyPath);
        m_keyState = KeyState::Good;
    }

    void valueLine(QStringView t)
    {
        const int startLine = m_lines.lineNo();
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
            if (name.size() > kMaxValueNameChars) {
                problem(startLine,
                        QStringLiteral("value name longer than %1 characters")
                                .arg(kMaxValueNameChars));
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
            QString next;
            while (joined.endsWith(u'\\')) {
                joined.chop(1);
                if (!m_lines.next(&next))
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
            m_store.removeValue(m_key, valueName);
        else
            m_store.setValue(m_key, valueName, std::move(*v));
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
                // Past two digits the byte is refused below; a long run must not overflow.
                if (++digits <= 2)
                    byte = byte * 16 + hexDigit(s[i]);
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

    LineReader m_lines;
    const QString m_name;
    RegFileStore &m_store;
    Format m_format;
    KeyState m_keyState = KeyState::None;
    RegFileStore::KeyHandle m_key = 0;
    int m_problemCount = 0;
    QStringList m_problems;
};

} // namespace

QStringList parseRegFile(const QByteArray &bytes, const QString &displayName, RegFileStore &store)
{
    return Parser(bytes, displayName, store).run();
}

QStringList loadRegFile(const QString &path, RegFileStore &store)
{
    QString why;
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxTextFileBytes, &why);
    if (!bytes)
        return {QStringLiteral("%1: cannot be read (%2)").arg(path, why)};
    return parseRegFile(*bytes, path, store);
}

} // namespace velt
