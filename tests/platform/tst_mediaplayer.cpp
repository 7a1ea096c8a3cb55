#include "app/demomedia.h"
#include "platform/qtmediaplayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QMediaPlayer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVersionNumber>
#include <QVideoWidget>
#include <QtTest>

#include <limits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace velt;

class TestMediaPlayer : public QObject
{
    Q_OBJECT
public:
    static void initMain() { preferFfmpegMediaBackend(); }

private Q_SLOTS:
    void initTestCase();
    void takesFiles_data();
    void takesFiles();
    void playsEachCodec_data();
    void playsEachCodec();
    void refusesFiles_data();
    void refusesFiles();
    void emptyNameUnloads();
    void refusalClearsThePreviousFile();
    void rateReadsBackExactly_data();
    void rateReadsBackExactly();
    void rateSurvivesLoading();
    void refusedRateKeepsTheOld_data();
    void refusedRateKeepsTheOld();
    void flagsHoldWhatWasWritten();
    void twips_data();
    void twips();
    void pictureSize_data();
    void pictureSize();
    void autoSizeFollowsTheMovie();
    void withoutAutoSizeTheSizeStays();
    void stopKeepsTheFile_data();
    void stopKeepsTheFile();
    void nothingLoadedNeedsNoBackend_data();
    void nothingLoadedNeedsNoBackend();
    void surfaceTakesTheBlackAreasPlace();

private:
    QString write(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
    QString m_wav;
    QString m_avi;
};

QString TestMediaPlayer::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestMediaPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_wav = write(QStringLiteral("chime.wav"), wavSound(500));
    m_avi = write(QStringLiteral("movie.avi"), aviMovie(10, 160, 120, 10));
}

void TestMediaPlayer::takesFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("movie");
    QTest::newRow("sound") << QStringLiteral("chime.wav") << QSize();
    QTest::newRow("movie") << QStringLiteral("movie.avi") << QSize(160, 120);
}

void TestMediaPlayer::takesFiles()
{
    QFETCH(QString, name);
    QFETCH(QSize, movie);
    QtMediaPlayer player;
    int notifications = 0;
    player.setNotificationHandler([&notifications] { ++notifications; });
    const QString path = m_dir.filePath(name);
    player.setFileName(path);
    QCOMPARE(player.fileName(), path);
    QCOMPARE(notifications, 1);
    QCOMPARE(player.movieSize(), movie);
}

namespace {

// The encoders the installed ffmpeg has; empty without ffmpeg.
QStringList ffmpegEncoders()
{
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        return {};
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-encoders")});
    if (!ffmpeg.waitForFinished(30000))
        return {};
    QStringList names;
    for (const QByteArray &line : ffmpeg.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 1)
            names << QString::fromLatin1(fields[1]);
    }
    return names;
}

} // namespace

void TestMediaPlayer::playsEachCodec_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("video"); // encoders, the first one ffmpeg has; none: garbage
    QTest::addColumn<QString>("audio");     // encoder; empty: no sound track
    QTest::addColumn<bool>("loads");
    // Qt 6.4's ffmpeg backend takes the length from the streams alone, and Matroska keeps it
    // in the container only: the length of a WebM clip stays unknown there.
    QTest::addColumn<bool>("lengthInStreams");
    QTest::newRow("H.264 and AAC in MP4")
            << QStringLiteral("clip.mp4") << QStringList{"libx264"} << "aac" << true << true;
    QTest::newRow("VP9 and Opus in WebM")
            << QStringLiteral("clip.webm") << QStringList{"libvpx-vp9"} << "libopus" << true
            << false;
    QTest::newRow("AV1 and Opus in WebM")
            << QStringLiteral("av1.webm") << QStringList{"libsvtav1", "libaom-av1", "librav1e"}
            << "libopus" << true << false;
    QTest::newRow("AV1 alone in MP4")
            << QStringLiteral("av1.mp4") << QStringList{"libsvtav1", "libaom-av1", "librav1e"}
            << QString() << true << true;
    QTest::newRow("garbage named .webm")
            << QStringLiteral("garbage.webm") << QStringList() << QString() << false << true;
    QTest::newRow("garbage named .mp4")
            << QStringLiteral("garbage.mp4") << QStringList() << QString() << false << true;
}

// Clips of today's codecs, made here by ffmpeg, load in the backend with their length known;
// garbage under their names is refused within the load timeout.
void TestMediaPlayer::playsEachCodec()
{
    QFETCH(QString, name);
    QFETCH(QStringList, video);
    QFETCH(QString, audio);
    QFETCH(bool, loads);
    QFETCH(bool, lengthInStreams);
    const QString path = m_dir.filePath(name);
    if (video.isEmpty()) {
        QByteArray garbage(64 * 1024, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 2654435761u) >> 13);
        write(name, garbage);
    } else {
        static const QStringList encoders = ffmpegEncoders();
        if (encoders.isEmpty())
            QSKIP("ffmpeg is not installed");
        QString encoder;
        for (const QString &candidate : std::as_const(video)) {
            if (encoders.contains(candidate)) {
                encoder = candidate;
                break;
            }
        }
        if (encoder.isEmpty() || (!audio.isEmpty() && !encoders.contains(audio)))
            QSKIP("this ffmpeg has no encoder for the clip");
        QStringList args{
                "-hide_banner", "-loglevel", "error", "-y",
                "-f",           "lavfi",     "-i",    "testsrc=size=160x120:rate=10:duration=1"};
        if (!audio.isEmpty())
            args << "-f"
                 << "lavfi"
                 << "-i"
                 << "sine=frequency=440:sample_rate=48000:duration=1";
        args << "-c:v" << encoder << "-pix_fmt"
             << "yuv420p";
        if (encoder == "libaom-av1")
            args << "-cpu-used"
                 << "8";
        if (encoder == "libsvtav1")
            args << "-preset"
                 << "12";
        if (encoder == "librav1e")
            args << "-speed"
                 << "10";
        if (!audio.isEmpty())
            args << "-c:a" << audio << "-shortest";
        args << path;
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), args);
        QVERIFY(ffmpeg.waitForFinished(120000));
        QVERIFY2(ffmpeg.exitCode() == 0, ffmpeg.readAllStandardError().constData());
    }
    QtMediaPlayer player;
    player.setLoadTimeout(20000);
    player.setFileName(path);
    if (!loads) {
        QCOMPARE(player.fileName(), QString());
        return;
    }
    QCOMPARE(player.fileName(), path);
    QCOMPARE(player.movieSize(), QSize(160, 120));
    const auto *backend = player.findChild<QMediaPlayer *>();
    QVERIFY(backend);
    if (!lengthInStreams && QLibraryInfo::version() < QVersionNumber(6, 5)) {
        QEXPECT_FAIL("", "the backend reads no container length", Continue);
        QVERIFY(backend->duration() > 0);
        return;
    }
    QTRY_VERIFY(backend->duration() > 0);
}

void TestMediaPlayer::refusesFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251);
    const QByteArray avi = aviMovie(4, 32, 32, 10);
    QTest::newRow("garbage named .avi") << QStringLiteral("garbage.avi") << garbage;
    QTest::newRow("empty .wav") << QStringLiteral("empty.wav") << QByteArray();
    QTest::newRow("AVI cut inside its header") << QStringLiteral("cut.avi") << avi.left(100);
    QTest::newRow("text named .mpg")
            << QStringLiteral("page.mpg") << QByteArrayLiteral("<html><body>404</body></html>\r\n");
    QTest::newRow("missing") << QStringLiteral("missing.avi") << QByteArray("-");
    QTest::newRow("a folder named .avi") << QStringLiteral("folder.avi") << QByteArray("dir");
#ifdef Q_OS_UNIX
    // Opening a pipe without a writer blocks for good.
    QTest::newRow("a pipe named .wav") << QStringLiteral("pipe.wav") << QByteArray("fifo");
#endif
}

void TestMediaPlayer::refusesFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QString path = m_dir.filePath(name);
    if (bytes == "dir")
        QVERIFY(QDir().mkpath(path));
#ifdef Q_OS_UNIX
    else if (bytes == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    else if (bytes != "-")
        path = write(name, bytes);
    QtMediaPlayer player;
    int notifications = 0;
    player.setNotificationHandler([&notifications] { ++notifications; });
    player.setFileName(path);
    QCOMPARE(player.fileName(), QString());
    QCOMPARE(notifications, 0);
}

void TestMediaPlayer::emptyNameUnloads()
{
    QtMediaPlayer player;
    player.setFileName(m_wav);
    QCOMPARE(player.fileName(), m_wav);
    player.setFileName(QString());
    QCOMPARE(player.fileName(), QString());
}

void TestMediaPlayer::refusalClearsThePreviousFile()
{
    QtMediaPlayer player;
    player.setFileName(m_avi);
    QCOMPARE(player.fileName(), m_avi);
    player.setFileName(m_dir.filePath(QStringLiteral("nothing-here.avi")));
    QCOMPARE(player.fileName(), QString());
    QCOMPARE(player.movieSize(), QSize());
    player.setFileName(m_wav);
    QCOMPARE(player.fileName(), m_wav);
}

void TestMediaPlayer::rateReadsBackExactly_data()
{
    QTest::addColumn<double>("rate");
    QTest::newRow("slow") << 0.05;
    QTest::newRow("lowest") << 0.1;
    QTest::newRow("after steps down") << 1.0 - 0.1 - 0.1 - 0.1;
    QTest::newRow("normal") << 1.0;
    QTest::newRow("highest") << 6.0;
}

void TestMediaPlayer::rateReadsBackExactly()
{
    QFETCH(double, rate);
    QtMediaPlayer player;
    player.setRate(rate);
    QCOMPARE(player.rate(), rate);
    player.setFileName(m_wav);
    player.setRate(rate);
    QCOMPARE(player.rate(), rate);
}

void TestMediaPlayer::rateSurvivesLoading()
{
    QtMediaPlayer player;
    player.setRate(0.05);
    player.setFileName(m_avi);
    QCOMPARE(player.rate(), 0.05);
}

void TestMediaPlayer::refusedRateKeepsTheOld_data()
{
    QTest::addColumn<double>("rate");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -1.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
}

void TestMediaPlayer::refusedRateKeepsTheOld()
{
    QFETCH(double, rate);
    QtMediaPlayer player;
    player.setRate(0.7);
    player.setRate(rate);
    QCOMPARE(player.rate(), 0.7);
}

void TestMediaPlayer::flagsHoldWhatWasWritten()
{
    QtMediaPlayer player;
    QCOMPARE(player.flag(MediaPlayer::kFlag1021), false);
    player.setFlag(MediaPlayer::kFlag24, false);
    player.setFlag(MediaPlayer::kFlag1021, true);
    player.setFlag(MediaPlayer::kFlag1108, true);
    player.setFlag(MediaPlayer::kFlag1108, false);
    QCOMPARE(player.flag(MediaPlayer::kFlag24), false);
    QCOMPARE(player.flag(MediaPlayer::kFlag1021), true);
    QCOMPARE(player.flag(MediaPlayer::kFlag1108), false);
}

void TestMediaPlayer::twips_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("readWidth");
    QTest::addColumn<int>("readHeight");
    QTest::newRow("standard") << 5250 << 4935 << 5250 << 4935;
    QTest::newRow("designed") << 5265 << 4935 << 5265 << 4935;
    QTest::newRow("between pixels rounds") << 5257 << 4928 << 5250 << 4935;
    QTest::newRow("below half a pixel") << 7 << 8 << 0 << 15;
    QTest::newRow("negative") << -150 << 0 << 0 << 0;
}

void TestMediaPlayer::twips()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, readWidth);
    QFETCH(int, readHeight);
    QtMediaPlayer player;
    player.setHeightTwips(height);
    player.setWidthTwips(width);
    QCOMPARE(player.widthTwips(), readWidth);
    QCOMPARE(player.heightTwips(), readHeight);
}

void TestMediaPlayer::pictureSize_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("movie");
    QTest::addColumn<QSize>("expected");
    const QSize movie(160, 120); // in an area of 350 x 300 on a screen of 1920 x 1080
    QTest::newRow("own size") << int(MediaPlayer::kOwnSize) << movie << movie;
    QTest::newRow("double") << int(MediaPlayer::kDoubleSize) << movie << QSize(320, 240);
    QTest::newRow("fit keeps the area")
            << int(MediaPlayer::kFitToControl) << movie << QSize(350, 300);
    QTest::newRow("half screen, height bound")
            << int(MediaPlayer::kHalfScreen) << movie << QSize(720, 540);
    QTest::newRow("half screen, width bound")
            << int(MediaPlayer::kHalfScreen) << QSize(400, 100) << QSize(960, 240);
    QTest::newRow("sound keeps the area")
            << int(MediaPlayer::kDoubleSize) << QSize() << QSize(350, 300);
    QTest::newRow("unknown mode keeps the area") << 3 << movie << QSize(350, 300);
}

void TestMediaPlayer::pictureSize()
{
    QFETCH(int, mode);
    QFETCH(QSize, movie);
    QFETCH(QSize, expected);
    QCOMPARE(displayPictureSize(mode, movie, QSize(350, 300), QSize(1920, 1080)), expected);
}

void TestMediaPlayer::autoSizeFollowsTheMovie()
{
    QtMediaPlayer player;
    player.setWidthTwips(5250);
    player.setHeightTwips(4935);
    player.setFileName(m_avi);
    player.setAutoSize(true);
    player.setDisplaySize(MediaPlayer::kOwnSize);
    QCOMPARE(player.widthTwips(), 160 * 15);
    const int ownHeight = player.heightTwips();
    QVERIFY(ownHeight > 120 * 15); // the picture and the transport row
    player.setDisplaySize(MediaPlayer::kDoubleSize);
    QCOMPARE(player.widthTwips(), 320 * 15);
    QCOMPARE(player.heightTwips() - ownHeight, 120 * 15);
    player.setDisplaySize(MediaPlayer::kFitToControl);
    QCOMPARE(player.widthTwips(), 320 * 15);
    QCOMPARE(player.displaySize(), int(MediaPlayer::kFitToControl));
}

void TestMediaPlayer::withoutAutoSizeTheSizeStays()
{
    QtMediaPlayer player;
    player.setWidthTwips(5250);
    player.setHeightTwips(4935);
    player.setFileName(m_avi);
    player.setAutoSize(false);
    player.setDisplaySize(MediaPlayer::kDoubleSize);
    QCOMPARE(player.widthTwips(), 5250);
    QCOMPARE(player.heightTwips(), 4935);
    QCOMPARE(player.displaySize(), int(MediaPlayer::kDoubleSize));
}

void TestMediaPlayer::stopKeepsTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("sound") << QStringLiteral("chime.wav");
    QTest::newRow("movie") << QStringLiteral("movie.avi");
}

void TestMediaPlayer::stopKeepsTheFile()
{
    QFETCH(QString, name);
    const QString path = m_dir.filePath(name);
    QtMediaPlayer player;
    int notifications = 0;
    player.setNotificationHandler([&notifications] { ++notifications; });
    player.setFileName(path);
    QCOMPARE(notifications, 1);
    player.togglePlayback(); // playing is announced too, so the viewer can apply its rate
    QTRY_COMPARE(notifications, 2);
    player.stop();
    QCOMPARE(player.fileName(), path);
    player.togglePlayback();
    QTRY_COMPARE(notifications, 3);
    // and the player goes while it plays
}

void TestMediaPlayer::nothingLoadedNeedsNoBackend_data()
{
    QTest::addColumn<QString>("name"); // what is loaded after the other calls; "" nothing
    QTest::addColumn<bool>("backend");
    QTest::newRow("nothing") << QString() << false;
    QTest::newRow("a missing file") << QStringLiteral("missing.avi") << false;
    QTest::newRow("a folder") << QStringLiteral("folder.avi") << false;
    QTest::newRow("a sound") << QStringLiteral("chime.wav") << true;
    QTest::newRow("a movie") << QStringLiteral("movie.avi") << true;
}

// The backend and the video surface (OpenGL, the codec libraries) exist from the first file the
// player is given on, and not before: the viewer's start-up, rate, size and stop calls and
// names that are not regular files never make them, and then do what they did.
void TestMediaPlayer::nothingLoadedNeedsNoBackend()
{
    QFETCH(QString, name);
    QFETCH(bool, backend);
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("folder.avi"))));
    QtMediaPlayer player;
    player.setFlag(MediaPlayer::kFlag1021, false);
    player.setRate(0.3);
    player.setAutoSize(true);
    player.setDisplaySize(MediaPlayer::kDoubleSize);
    player.setWidthTwips(5250);
    player.setHeightTwips(4935);
    player.stop();
    player.togglePlayback();
    player.setFileName(QString());
    QCOMPARE(player.movieSize(), QSize());
    QCOMPARE(player.widthTwips(), 5250);
    if (!name.isEmpty())
        player.setFileName(m_dir.filePath(name));
    QCOMPARE(player.findChild<QMediaPlayer *>() != nullptr, backend);
    QCOMPARE(player.findChild<QVideoWidget *>() != nullptr, backend);
    QCOMPARE(player.fileName().isEmpty(), !backend);
    QCOMPARE(player.rate(), 0.3);
    if (backend)
        QCOMPARE(float(player.findChild<QMediaPlayer *>()->playbackRate()), 0.3f);
}

// The surface appears where the black area was, at its size, above the transport row.
void TestMediaPlayer::surfaceTakesTheBlackAreasPlace()
{
    QWidget window;
    auto *player = new QtMediaPlayer(&window);
    player->setGeometry(8, 8, 351, 329);
    window.resize(400, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto *black = player->findChild<QWidget *>(QStringLiteral("videoArea"));
    const auto *row = player->findChild<QWidget *>(QStringLiteral("transportRow"));
    QVERIFY(black && row && black->isVisible());
    const QRect area = black->geometry();
    const QRect rowArea = row->geometry();
    QCOMPARE(area.bottom() + 1, rowArea.top());
    QCOMPARE(rowArea.bottom() + 1, 329);

    player->setFileName(m_avi);
    QCOMPARE(player->fileName(), m_avi);
    const auto *surface = player->findChild<QVideoWidget *>();
    QVERIFY(surface);
    QCOMPARE(player->findChild<QWidget *>(QStringLiteral("videoArea")), surface);
    QTRY_VERIFY(surface->isVisible());
    QCOMPARE(surface->geometry(), area);
    QCOMPARE(row->geometry(), rowArea);
    QCOMPARE(player->geometry(), QRect(8, 8, 351, 329));
}

QTEST_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
