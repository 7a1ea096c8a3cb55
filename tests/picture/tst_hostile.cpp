// A generated corpus of hostile picture files through `velt --check` and through the picture
// window, and a hostile browser cache through the extraction: every file gets a verdict, nothing
// crashes or hangs, and peak memory and disk written stay bounded. Each case's figures are
// printed as one table.

#include "browser/budget.h"
#include "browser/extraction.h"
#include "picture/frmpicture.h"
#include "picture/metafileformat.h"
#include "platform/printable.h"

#include "browser/cachebodies.h"
#include "common/scripteddialogs.h"
#include "picture/hostilefiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <map>
#include <memory>

using namespace velt;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr long kMaxPeakMb = 2048; // the sanitizer's shadow memory and quarantine
#else
constexpr long kMaxPeakMb = 512;
#endif

long peakMb(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss / 1024;
}

// A figure from one of this process's /proc files ("VmHWM:" in status, "wchar:" in io); -1
// where the kernel does not give it.
qint64 procFigure(const char *file, const QByteArray &key)
{
    QFile f(QStringLiteral("/proc/self/") + QLatin1String(file));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// What one case cost: time, bytes written by this process, and how far its resident memory rose
// above where it was at the case's start (where the kernel cannot reset the peak, how far the
// peak so far rose, marked "+").
class CaseFigures
{
public:
    struct Row
    {
        QByteArray name;
        qint64 ms;
        qint64 writtenKb;
        qint64 peakKb;
        bool peakReset;
    };

    void start()
    {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        m_reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1 && clear.flush();
        // After a reset the peak starts at what is resident now.
        m_peakBefore = procFigure("status", m_reset ? "VmRSS:" : "VmHWM:");
        m_written = procFigure("io", "wchar:");
        m_clock.start();
    }
    void stop(const QByteArray &name)
    {
        const qint64 ms = m_clock.elapsed();
        const qint64 written = procFigure("io", "wchar:");
        const qint64 peak = procFigure("status", "VmHWM:");
        m_rows.append({name, ms, written >= 0 && m_written >= 0 ? (written - m_written) / 1024 : -1,
                       peak >= 0 ? peak - m_peakBefore : -1, m_reset});
    }
    // One table on standard output; figures inform, they never fail a test.
    void print(const char *title) const
    {
        qInfo("%s: %lld cases", title, qlonglong(m_rows.size()));
        qInfo("%-44s %9s %12s %12s", "case", "ms", "written KB", "peak +KB");
        for (const Row &row : m_rows) {
            qInfo("%-44s %9lld %12lld %11lld%s",
                  printableText(QString::fromUtf8(row.name)).left(44).toUtf8().constData(),
                  qlonglong(row.ms), qlonglong(row.writtenKb), qlonglong(row.peakKb),
                  row.peakReset ? " " : "+");
        }
    }

private:
    QElapsedTimer m_clock;
    qint64 m_written = 0;
    qint64 m_peakBefore = 0;
    bool m_reset = false;
    QList<Row> m_rows;
};

qint64 bytesUnder(const QString &dir)
{
    qint64 total = 0;
    QDirIterator files(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        total += files.nextFileInfo().size();
    return total;
}

// A body that starts as a PNG, then incompressible bytes (so the stored body has some size),
// then zeros: it decodes to about decoded bytes.
QByteArray bombBody(qint64 decoded, bool useZstd)
{
    QByteArray plain = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    QByteArray noise(48 * 1024, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &c : noise)
        c = char(random.bounded(256));
    plain += noise;
    plain.append(QByteArray(decoded - plain.size(), '\0'));
    return useZstd ? cachebuilder::zstd(plain) : cachebuilder::gzip(plain);
}

class Owner : public PictureOwner
{
public:
    QString path;
    QString fn() const override { return path; }
    void setCopyButtonEnabled(bool) override { }
    void handOverKey(int) override { }
    void albumSwitch() override { }
};

const QString kUnknownHeadline =
        QStringLiteral("<不明フォーマット> 画像データが不正ですので読み込みを中止します。");

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<hostilefiles::HostileFile> m_files;
    // The name as the program is given it, and the verdict of --check.
    QStringList m_names;
    std::map<QString, bool> m_checkedOk;
    CaseFigures m_cacheFigures;

private Q_SLOTS:
    void initTestCase()
    {
        const QString buildDir = qEnvironmentVariable("VELT_BUILD_DIR");
        QVERIFY(!buildDir.isEmpty());
        qputenv("VELT_METAFILE_HELPER",
                QFile::encodeName(QDir(buildDir).filePath(QStringLiteral("velt-metafile"))));
        QVERIFY(m_dir.isValid());
        m_files = hostilefiles::corpus();
        for (const hostilefiles::HostileFile &file : std::as_const(m_files)) {
            // Written by bytes: some names are not valid UTF-8.
            const QByteArray path = QFile::encodeName(m_dir.path()) + '/' + file.name;
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            QVERIFY2(fd >= 0, path.constData());
            QCOMPARE(::write(fd, file.content.constData(), std::size_t(file.content.size())),
                     ssize_t(file.content.size()));
            ::close(fd);
            m_names << QFile::decodeName(file.name);
        }
        qInfo("%lld hostile files", qlonglong(m_files.size()));
    }

    void checkCommandGivesEveryFileAVerdict()
    {
        QProcess velt;
        velt.setProgram(QDir(qEnvironmentVariable("VELT_BUILD_DIR")).filePath("velt"));
        // Relative names, so that one beginning with "-" reaches the program as it stands.
        velt.setWorkingDirectory(m_dir.path());
        velt.setArguments(QStringList{QStringLiteral("--check"), QStringLiteral("--")} + m_names);
        velt.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        velt.start();
        QVERIFY(velt.waitForFinished(240000));
        const qint64 ms = clock.elapsed();
        QCOMPARE(velt.exitStatus(), QProcess::NormalExit);
        QCOMPARE(velt.exitCode(), 1); // some are bad, and the program said so

        const QStringList lines = QString::fromUtf8(velt.readAllStandardOutput())
                                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), m_names.size());
        int good = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 3);
            QCOMPARE(fields[2], printableText(m_names[i]));
            QVERIFY2(fields[0] == "ok" || fields[0] == "bad", qPrintable(lines[i]));
            m_checkedOk[m_names[i]] = fields[0] == "ok";
            if (fields[0] == "ok") {
                ++good;
                const QStringList size = fields[1].split(QLatin1Char('x'));
                QCOMPARE(size.size(), 2);
                QVERIFY(size[0].toLongLong() * size[1].toLongLong() <= kMaxMetafilePixels);
            }
        }
        const long peak = peakMb(RUSAGE_CHILDREN);
        qInfo("velt --check: %lld files (%d ok) in %lld ms, peak memory %ld MB (helper included)",
              qlonglong(lines.size()), good, ms, peak);
        QVERIFY2(peak <= kMaxPeakMb, qPrintable(QString::number(peak)));
    }

    void pictureWindowGivesEveryFileAVerdict()
    {
        MdlVELT state;
        Settings settings;
        settings.applyDefaults(QString());
        int shown = 0;
        CaseFigures figures;
        for (const QString &name : std::as_const(m_names)) {
            figures.start();
            ScriptedDialogs dialogs;
            Owner owner;
            owner.path = m_dir.filePath(name);
            auto *window = new FrmPicture(state, settings, dialogs, owner);
            const bool loaded = window->Form_Load();
            window->show();
            // Shown without a word, or one report and an empty window.
            if (loaded) {
                ++shown;
                QVERIFY2(dialogs.messages.isEmpty(), qPrintable(name));
                QVERIFY(!window->picture().isNull());
            } else {
                QCOMPARE(dialogs.messages.size(), 1);
                QCOMPARE(dialogs.messages[0].icon, MsgIcon::Exclamation);
                QVERIFY(window->picture().isNull());
            }
            // What --check refused, the window refuses; what it took, the window shows unless
            // it is too large for the window's scroll range.
            const auto checked = m_checkedOk.find(name);
            if (checked != m_checkedOk.end() && !checked->second)
                QVERIFY2(!loaded, qPrintable(name));
            if (checked != m_checkedOk.end() && checked->second && !loaded)
                QVERIFY2(dialogs.messages[0].text.startsWith(kUnknownHeadline), qPrintable(name));
            delete window;
            figures.stop(name.toUtf8());
        }
        figures.print("picture window, per file");
        const long peak = peakMb(RUSAGE_SELF);
        qInfo("picture window: %lld files, %d shown, peak memory %ld MB (corpus included)",
              qlonglong(m_names.size()), shown, peak);
        QVERIFY2(peak <= kMaxPeakMb, qPrintable(QString::number(peak)));
    }

    void cleanupTestCase() { m_cacheFigures.print("browser cache, per case"); }

    void browserCacheBombs_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("decodedMb"); // each body
        QTest::addColumn<bool>("zstd");
        QTest::addColumn<int>("nameBytes"); // of the URL's last segment
        QTest::addColumn<bool>("sameName");
        // Past what one body may decode to, and within it but past the total.
        QTest::newRow("gzip bombs of one name") << 14 << 256 << false << 5 << true;
        QTest::newRow("zstd bombs of one name") << 14 << 256 << true << 5 << true;
        QTest::newRow("small gzip bombs of one name") << 14 << 8 << false << 5 << true;
        QTest::newRow("small zstd bombs of one name") << 14 << 8 << true << 5 << true;
        QTest::newRow("gzip bombs, names past 255 bytes") << 14 << 8 << false << 600 << false;
        QTest::newRow("zstd bombs, long names of one name") << 14 << 8 << true << 600 << true;
    }

    // A small cache whose bodies decode to gigabytes writes a small multiple of its own size
    // under the bounds the collection gives it, whatever the names.
    void browserCacheBombs()
    {
        QFETCH(int, entries);
        QFETCH(int, decodedMb);
        QFETCH(bool, zstd);
        QFETCH(int, nameBytes);
        QFETCH(bool, sameName);
        QTemporaryDir dir;
        const QString cache = dir.filePath(QStringLiteral("cache"));
        const QString work = dir.filePath(QStringLiteral("VeltTemp"));
        QVERIFY(QDir().mkpath(work));
        const QByteArray body = bombBody(qint64(decodedMb) * 1024 * 1024, zstd);
        for (int i = 0; i < entries; ++i) {
            const QByteArray stem = sameName ? QByteArray(nameBytes, 'a')
                                             : QByteArray::number(i) + QByteArray(nameBytes, 'a');
            cachebuilder::ChromiumEntry e;
            const QByteArray url = "https://x.test/d" + QByteArray::number(i) + '/' + stem + ".png";
            e.key = "1/0/_dk_https://x.test https://x.test " + url;
            e.head = {"HTTP/1.1 200 OK", "Content-Type: image/png",
                      zstd ? "Content-Encoding: zstd" : "Content-Encoding: gzip"};
            e.body = body;
            QVERIFY(!cachebuilder::writeChromiumEntry(cache, e).isEmpty());
        }
        const qint64 cacheBytes = bytesUnder(cache);
        ExtractBudget budget(ExtractBudget::limitsFor(cacheBytes, -1));
        ExtractLimits limits;
        limits.budget = &budget;
        SourceTable table;
        m_cacheFigures.start();
        const int made =
                extractCacheFolder({CacheFormat::Chromium, cache}, work, table, {}, limits);
        m_cacheFigures.stop(QTest::currentDataTag());
        const qint64 written = bytesUnder(work);
        qInfo("cache %lld KB, %d files written, %lld KB in the working folder, %d skipped",
              qlonglong(cacheBytes / 1024), made, qlonglong(written / 1024), budget.skipped());
        QCOMPARE(made + budget.skipped(), entries);
        QVERIFY2(written <= 16 * cacheBytes, qPrintable(QString::number(written)));
        // Every name the extraction gave fits the file system.
        for (const QString &name : QDir(work).entryList(QDir::Files))
            QVERIFY2(QFile::encodeName(name).size() <= 255, qPrintable(name));
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
