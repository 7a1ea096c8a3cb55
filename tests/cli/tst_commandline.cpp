// The built program's command-line manners, run as a user would run it. The environment asks
// for the X11 plugin on a display that does not exist: a mode that loaded a window-system
// plugin would abort, so every window-less row also proves that none was loaded.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QStringList errLines;
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void manners_data();
    void manners();
    void outputsAreTheSameInEveryLanguage_data();
    void outputsAreTheSameInEveryLanguage();

private:
    Run run(const QStringList &arguments, const QStringList &environment);

    QTemporaryDir m_dir;
    QString m_velt;
};

void TestCommandLine::initTestCase()
{
    const QString buildDir = qEnvironmentVariable("VELT_BUILD_DIR");
    QVERIFY2(!buildDir.isEmpty(), "VELT_BUILD_DIR names the build folder");
    m_velt = QDir(buildDir).filePath("velt");
    QVERIFY(QFileInfo(m_velt).isExecutable());

    QFile empty(m_dir.filePath("empty.reg"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.write("REGEDIT4\r\n");
    empty.close();
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(m_dir.filePath("small.png")));
}

Run TestCommandLine::run(const QStringList &arguments, const QStringList &environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
        env.insert(name, m_dir.filePath(name));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", ":64999");
    env.remove("WAYLAND_DISPLAY");
    env.remove("VELT_DEBUG");
    for (const QString &change : environment) {
        if (change.startsWith('-'))
            env.remove(change.mid(1));
        else
            env.insert(change.section('=', 0, 0), change.section('=', 1));
    }
    QStringList args;
    for (QString a : arguments)
        args << a.replace("%DIR%", m_dir.path());

    QProcess process;
    process.setProcessEnvironment(env);
    process.start(m_velt, args);
    Run result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.errLines << "did not finish within a minute";
        return result;
    }
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    result.errLines = err.split('\n', Qt::SkipEmptyParts);
    return result;
}

void TestCommandLine::manners_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment"); // NAME=value, or -NAME to remove
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outHas");
    QTest::addColumn<int>("errLines"); // -1: any number
    QTest::addColumn<QString>("errHas");

    const QStringList none;
    const QString version = QStringLiteral("VELT %1.%2.%3\n")
                                    .arg(VELT_VERSION_MAJOR)
                                    .arg(VELT_VERSION_MINOR)
                                    .arg(VELT_VERSION_PATCH);
    QTest::newRow("help") << QStringList{"--help"} << none << 0
                          << QStringList{"使い方",
                                         "Usage:",
                                         "--registry FILE",
                                         "--check FILE...",
                                         "終了状態 / Exit status",
                                         "  2  "}
                          << 0 << "";
    QTest::newRow("help-all") << QStringList{"--help-all"} << none << 0
                              << QStringList{"Usage:", "-platform NAME"} << 0 << "";
    QTest::newRow("version") << QStringList{"--version"} << none << 0 << QStringList{version} << 0
                             << "";
    QTest::newRow("unknown option")
            << QStringList{"--bogus", "--list"} << none << 2 << none << 2 << "--bogus";
    QTest::newRow("missing value")
            << QStringList{"--list", "--settings"} << none << 2 << none << 2 << "--settings";
    QTest::newRow("bad drive mapping")
            << QStringList{"--drive", "C", "--list"} << none << 2 << none << 2 << "X:=DIR";
    QTest::newRow("empty extract folder") << QStringList{"--demo", "--extract", ""} << none << 2
                                          << none << 2 << "--extract wants a folder";
    QTest::newRow("unknown window-system plugin")
            << QStringList{"-platform", "bogus"} << none << 2 << none << 2 << "bogus";
    QTest::newRow("unknown window-system plugin from the environment")
            << none << QStringList{"QT_QPA_PLATFORM=bogus"} << 2 << none << 2 << "bogus";
    QTest::newRow("no display") << none << QStringList{"-DISPLAY", "-QT_QPA_PLATFORM"} << 1 << none
                                << 1 << "no display";
    QTest::newRow("list needs no window system")
            << QStringList{"-platform", "bogus", "--list", "--registry", "%DIR%/empty.reg"} << none
            << 0 << none << 1 << "インターネットキャッシュフォルダーが取得できませんでした。";
    QTest::newRow("check decodes without a window system")
            << QStringList{"-platform", "bogus", "--check", "%DIR%/small.png"} << none << 0
            << QStringList{"ok\t3x2\t"} << 0 << "";
    QTest::newRow("home that is no folder")
            << QStringList{"--demo", "--list", "--home", "%DIR%/no-such-home"} << none << 0
            << QStringList{"1\t"} << -1 << "no-such-home is not a folder";
    QTest::newRow("demo list draws without a window system")
            << QStringList{"--demo", "--list", "-platform", "bogus"} << none << 0
            << QStringList{"1\t", "GIF\t"} << -1 << "";

    // The desktop's language, or --lang and VELT_LANG, choose English; C stays Japanese.
    const QStringList english{"-VELT_LANG", "-LANGUAGE", "-LC_ALL", "-LC_MESSAGES",
                              "LANG=en_US.UTF-8"};
    QTest::newRow("English help") << QStringList{"--help"} << english << 0
                                  << QStringList{"Usage:", "Exit status:", "--lang ja|en"} << 0
                                  << "";
    QTest::newRow("English unknown option") << QStringList{"--bogus"} << english << 2 << none << 2
                                            << "velt: unknown option --bogus";
    QTest::newRow("English message of a window-less mode")
            << QStringList{"--list", "--registry", "%DIR%/empty.reg"} << english << 0 << none << 1
            << "The Internet cache folder could not be found.";
    QTest::newRow("English by --lang")
            << QStringList{"--lang", "en", "--list", "--registry", "%DIR%/empty.reg"}
            << QStringList{"VELT_LANG=ja"} << 0 << none << 1
            << "The Internet cache folder could not be found.";
    QTest::newRow("Japanese in the C locale")
            << QStringList{"--list", "--registry", "%DIR%/empty.reg"}
            << QStringList{"-VELT_LANG", "-LANGUAGE", "-LC_ALL", "-LC_MESSAGES", "LANG=C.UTF-8"}
            << 0 << none << 1 << "インターネットキャッシュフォルダーが取得できませんでした。";
    QTest::newRow("unknown language")
            << QStringList{"--lang", "fr"} << english << 2 << none << 2 << "--lang wants ja or en";
}

// Only standard error speaks the language: the lines and the exit status are the same.
void TestCommandLine::outputsAreTheSameInEveryLanguage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("list") << QStringList{"--demo", "--list"};
    QTest::newRow("check") << QStringList{"--check", "%DIR%/small.png", "%DIR%/empty.reg"};
    QTest::newRow("extract") << QStringList{"--demo", "--extract", "%DIR%/out-%LANG%"};
}

void TestCommandLine::outputsAreTheSameInEveryLanguage()
{
    QFETCH(QStringList, arguments);
    QList<Run> runs;
    for (const char *language : {"ja", "en"}) {
        QStringList args = arguments;
        args.replaceInStrings("%LANG%", language);
        runs << run(args, {QStringLiteral("VELT_LANG=") + language});
        QVERIFY(!runs.last().crashed);
    }
    QVERIFY(!runs[0].out.isEmpty());
    QCOMPARE(runs[1].exitCode, runs[0].exitCode);
    QCOMPARE(runs[1].out.replace("out-en", "out-ja"), runs[0].out);
}

void TestCommandLine::manners()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outHas);
    QFETCH(int, errLines);
    QFETCH(QString, errHas);

    const Run r = run(arguments, environment);
    const QByteArray err = r.errLines.join('\n').toUtf8();
    QVERIFY2(!r.crashed, err.constData());
    QCOMPARE(r.exitCode, exitCode);
    for (const QString &text : outHas)
        QVERIFY2(r.out.contains(text), qPrintable(text));
    if (errLines >= 0)
        QVERIFY2(r.errLines.size() == errLines, err.constData());
    if (!errHas.isEmpty())
        QVERIFY2(r.errLines.value(0).contains(errHas), err.constData());
    if (exitCode == 2) {
        // One line saying what is wrong, the hint, and nothing on standard output.
        QVERIFY(r.errLines.value(0).startsWith("velt: "));
        QVERIFY(r.errLines.value(1).contains("velt --help"));
        QCOMPARE(r.out, QString());
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
