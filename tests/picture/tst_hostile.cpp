// A generated corpus of hostile picture files through `velt --check` and through the picture
// window: every file gets a verdict, nothing crashes or hangs, and peak memory stays bounded.

#include "picture/frmpicture.h"
#include "picture/metafileformat.h"
#include "platform/printable.h"

#include "common/scripteddialogs.h"
#include "picture/hostilefiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
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
        for (const QString &name : std::as_const(m_names)) {
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
        }
        const long peak = peakMb(RUSAGE_SELF);
        qInfo("picture window: %lld files, %d shown, peak memory %ld MB (corpus included)",
              qlonglong(m_names.size()), shown, peak);
        QVERIFY2(peak <= kMaxPeakMb, qPrintable(QString::number(peak)));
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
