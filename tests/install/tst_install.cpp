// cmake --install into a fresh prefix, then the installed program as a user starts it.

#include "picture/picturefiles.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kAppId = QStringLiteral(VELT_APP_ID);

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result runProgram(const QString &program, const QStringList &arguments,
                  const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Result r;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        r.err = program + " did not finish";
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void iconSizes_data();
    void iconSizes();
    void desktopFilesValidate_data();
    void desktopFilesValidate();
    void installedProgramFindsItsHelper();
    void installedProgramKeepsItsSettingsInTheConfigFolder();
    void installedProgramReadsAvif();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix{QDir::tempPath() + "/velt-install-XXXXXX"};
    QTemporaryDir m_home;
};

void TestInstall::initTestCase()
{
    const QString buildDir = qEnvironmentVariable("VELT_BUILD_DIR");
    QVERIFY2(!buildDir.isEmpty(), "VELT_BUILD_DIR names the build folder");
    const Result r =
            runProgram(VELT_CMAKE_COMMAND, {"--install", buildDir, "--prefix", m_prefix.path()});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
}

void TestInstall::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("source"); // a file of the sources it needs; empty: always there
    QTest::newRow("program") << "bin/velt"
                             << "";
    QTest::newRow("metafile helper") << "libexec/velt/velt-metafile"
                                     << "";
    QTest::newRow("picture-format plugin") << "libexec/velt/imageformats/libvelt_modernformats.so"
                                           << "";
    QTest::newRow("placeholder picture") << "share/velt/cut.bmp"
                                         << "data/cut.bmp";
    QTest::newRow("help") << "share/velt/velt-help.html"
                          << "data/help/velt-help.html";
    QTest::newRow("English help") << "share/velt/velt-help-en.html"
                                  << "data/help/velt-help-en.html";
    QTest::newRow("desktop entry") << "share/applications/" + kAppId + ".desktop"
                                   << "";
    QTest::newRow("metainfo") << "share/metainfo/" + kAppId + ".metainfo.xml"
                              << "";
    QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/" + kAppId + ".svg"
                                   << "";
    QTest::newRow("man page") << "share/man/man1/velt.1"
                              << "";
    QTest::newRow("Japanese man page") << "share/man/ja/man1/velt.1"
                                       << "";
}

void TestInstall::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, source);
    if (!source.isEmpty() && !QFileInfo::exists(QDir(VELT_SOURCE_DIR).filePath(source)))
        QSKIP("not in the sources yet");
    QVERIFY2(QFileInfo(installed(path)).isFile(), qPrintable(path));
}

void TestInstall::iconSizes_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%d", size) << size;
}

void TestInstall::iconSizes()
{
    QFETCH(int, size);
    const QImage icon(installed(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId)));
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    // Drawn, not blank: the corner is transparent, the middle is not.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QVERIFY(qAlpha(icon.pixel(size / 2, size / 2)) > 0);
}

void TestInstall::desktopFilesValidate_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("package");
    QTest::newRow("desktop entry")
            << "desktop-file-validate"
            << QStringList{installed("share/applications/" + kAppId + ".desktop")}
            << "desktop-file-utils";
    QTest::newRow("metainfo") << "appstreamcli"
                              << QStringList{"validate", "--no-net",
                                             installed("share/metainfo/" + kAppId
                                                       + ".metainfo.xml")}
                              << "appstream";
}

void TestInstall::desktopFilesValidate()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(QString, package);
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        QSKIP(qPrintable(tool + " is not installed (package " + package + ")"));
    const Result r = runProgram(program, arguments);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    // desktop-file-validate passes with hints; none are expected.
    QVERIFY2(r.out.trimmed().isEmpty() || tool == "appstreamcli", qPrintable(r.out));
}

void TestInstall::installedProgramFindsItsHelper()
{
    const QString file = m_home.filePath("chart.wmf");
    QVERIFY(picturefiles::writeFile(file, picturefiles::wmf(400, 200, 1440)));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VELT_METAFILE_HELPER");
    const Result r = runProgram(installed("bin/velt"), {"--check", file}, env);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.startsWith("ok\t"), qPrintable(r.out));
}

void TestInstall::installedProgramKeepsItsSettingsInTheConfigFolder()
{
    // The prefix's bin folder is writable here, as /usr/bin is for root: still not used.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_home.path());
    env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    env.insert("XDG_CACHE_HOME", m_home.filePath("cache"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const Result r = runProgram(installed("bin/velt"),
                                {"--demo", "--screenshot", m_home.filePath("shot.png")}, env);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(QFileInfo(m_home.filePath("shot.png")).isFile());
    QVERIFY(!QFileInfo::exists(installed("bin/VELT.ini")));
    QVERIFY(QFileInfo(m_home.filePath("config/VELT/VELT.ini")).isFile());
}

// The plugin is found in the installed layout, not only beside the program in the build tree.
void TestInstall::installedProgramReadsAvif()
{
    const QString encoder = QStandardPaths::findExecutable("avifenc");
    if (encoder.isEmpty())
        QSKIP("avifenc is missing");
    const QString png = m_home.filePath("photo.png");
    const QString avif = m_home.filePath("photo.avif");
    QImage source(QSize(21, 13), QImage::Format_RGB32);
    source.fill(Qt::darkCyan);
    QVERIFY(source.save(png, "PNG"));
    QCOMPARE(runProgram(encoder, {png, avif}).exitCode, 0);
    const Result r = runProgram(installed("bin/velt"), {"--check", avif});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.startsWith("ok\t21x13\t"), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
