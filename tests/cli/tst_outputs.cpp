// The line-oriented command-line modes as a script sees them: the real program, run on files
// made here.

#include "platform/printable.h"

#include "common/hostilenames.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>
#include <unistd.h>

using namespace velt;

namespace {

QString program(const char *name)
{
    return QDir(qEnvironmentVariable("VELT_BUILD_DIR")).filePath(QLatin1String(name));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A Windows root with an Internet Explorer cache holding the given names.
QString cacheRoot(const QTemporaryDir &dir, const QStringList &names)
{
    const QString cache = dir.filePath(QStringLiteral("WINDOWS/TIF/ABCD1234"));
    QDir().mkpath(cache);
    for (const QString &name : names)
        writeFile(cache + QLatin1Char('/') + name, QByteArray("BM") + QByteArray(40, 'x'));
    writeFile(dir.filePath(QStringLiteral("velt.reg")),
              "REGEDIT4\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
              "\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
              "Settings\\Cache\\Paths]\r\n"
              "\"Directory\"=\"C:\\\\WINDOWS\\\\TIF\"\r\n");
    return dir.path();
}

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

enum class Sink { Pipe, Full, Closed };

Run runVelt(const QStringList &arguments, Sink sink = Sink::Pipe)
{
    QProcess process;
    process.setProgram(program("velt"));
    process.setArguments(arguments);
    if (sink == Sink::Full)
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    if (sink == Sink::Closed)
        process.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
    process.start();
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class TestOutputs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printableText_data();
    void printableText();
    void printableBytes_data();
    void printableBytes();
    void listPrintsOneLineAnEntry();
    void namesThatAreNotTextArePrintedByTheirBytes();
    void unwritableOutputFails_data();
    void unwritableOutputFails();
    void settingsThatAreNoFileAreRefused();
    void extractAgreesWithCheck_data();
    void extractAgreesWithCheck();
    void plantedSideTableChangesNoVerdict();
};

void TestOutputs::printableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("printed");
    QTest::newRow("plain") << "a b.jpg"
                           << "a b.jpg";
    QTest::newRow("japanese") << "写真 1.jpg"
                              << "写真 1.jpg";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\b";
    QTest::newRow("tab, line feed, return") << "a\tb\nc\rd"
                                            << "a\\tb\\nc\\rd";
    QTest::newRow("other controls") << QStringLiteral("a\x01\x1b\x7f") << "a\\x01\\x1B\\x7F";
    QTest::newRow("NUL") << QString(QChar(0)) << "\\x00";
    QTest::newRow("C1 next line") << QStringLiteral("a\u0085b") << "a\\u0085b";
    QTest::newRow("line separators") << QStringLiteral("\u2028\u2029") << "\\u2028\\u2029";
    QTest::newRow("unpaired surrogate") << QString(QChar(0xD800)) + "x"
                                        << "\\uD800x";
    QTest::newRow("pair kept") << QStringLiteral("\U0001F600") << QStringLiteral("\U0001F600");
    QTest::newRow("looks like an escape") << "\\n"
                                          << "\\\\n";
}

void TestOutputs::printableText()
{
    QFETCH(QString, text);
    QFETCH(QString, printed);
    QCOMPARE(velt::printableText(text), printed);
}

void TestOutputs::printableBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("printed");
    QTest::newRow("utf-8") << QStringLiteral("画像\n").toUtf8() << "画像\\n";
    QTest::newRow("latin-1") << QByteArray("caf\xE9.jpg") << "caf\\xE9.jpg";
    QTest::newRow("shift-jis") << QByteArray("\x82\xA0.jpg") << "\\x82\\xA0.jpg";
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << "\\xC0\\xAF";
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << "\\xED\\xA0\\x80";
    QTest::newRow("cut sequence") << QByteArray("a\xE6\x97") << "a\\xE6\\x97";
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << "\\xF4\\x90\\x80\\x80";
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("\U0001F600");
}

void TestOutputs::printableBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, printed);
    QCOMPARE(velt::printableBytes(bytes), printed);
    // Two names that differ in bytes that are not text print differently.
    QVERIFY(velt::printableBytes(bytes + "\xFF") != velt::printableBytes(bytes + "\xFE"));
}

void TestOutputs::listPrintsOneLineAnEntry()
{
    QTemporaryDir dir;
    const QStringList pictures{QStringLiteral("two\nlines.bmp"), QStringLiteral("tab\there.bmp"),
                               QStringLiteral("back\\slash.bmp"), QStringLiteral("plain.bmp")};
    const QString gif = QStringLiteral("ad\r\nx.gif");
    const QString root = cacheRoot(dir, pictures + QStringList{gif});
    const Run run = runVelt({QStringLiteral("--registry"), dir.filePath(QStringLiteral("velt.reg")),
                             QStringLiteral("--drive"), QStringLiteral("C:=") + root,
                             QStringLiteral("--settings"), dir.filePath(QStringLiteral("VELT.ini")),
                             QStringLiteral("--list")});
    QCOMPARE(run.status, 0);
    const QStringList lines =
            QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), pictures.size() + 1);
    QStringList names;
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 2);
        names << fields[1].section(QLatin1Char(' '), 0, 0);
    }
    names.sort();
    QStringList expected;
    for (const QString &name : pictures + QStringList{gif})
        expected << velt::printableText(name);
    expected.sort();
    QCOMPARE(names, expected);
}

void TestOutputs::namesThatAreNotTextArePrintedByTheirBytes()
{
    hostilenames::TemporaryDir dir;
    QList<hostilenames::Name> names = hostilenames::pictureNames();
    names.append({"tab", QByteArray("tab\there.jpg")});
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(&buffer, "JPEG"));
    }
    const QString root = cacheRoot(dir, {});
    const QString cache = root + QStringLiteral("/WINDOWS/TIF/ABCD1234");
    for (const hostilenames::Name &n : std::as_const(names))
        QVERIFY2(hostilenames::writeNamed(cache, n.bytes, jpeg), n.label);

    // Every name on a line of its own, once, escaped so that its bytes can be read back.
    const Run list = runVelt({QStringLiteral("--registry"),
                              dir.filePath(QStringLiteral("velt.reg")), QStringLiteral("--drive"),
                              QStringLiteral("C:=") + root, QStringLiteral("--settings"),
                              dir.filePath(QStringLiteral("VELT.ini")), QStringLiteral("--list")});
    QCOMPARE(list.status, 0);
    QVERIFY(QString::fromUtf8(list.out).toUtf8() == list.out); // plain UTF-8 throughout
    QStringList listed;
    for (const QString &line :
         QString::fromUtf8(list.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        listed << line.section(QLatin1Char('\t'), 1).section(QLatin1Char(' '), 0, 0);
    QStringList expected;
    for (const hostilenames::Name &n : std::as_const(names))
        expected << velt::printableBytes(n.bytes);
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
    // The working folder is emptied as the list ends, these names too.
    QVERIFY(!hostilenames::existsNamed(root + QStringLiteral("/WINDOWS/VeltTemp"), "caf\xE9.jpg"));

    // The shell hands the program the names' bytes, as a script would.
    QProcess shell;
    shell.setWorkingDirectory(cache);
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("exec \"$0\" --check ./*"),
                 QFileInfo(program("velt")).absoluteFilePath()});
    QVERIFY(shell.waitForFinished(60000));
    QCOMPARE(shell.exitCode(), 0);
    QStringList checked;
    for (const QString &line : QString::fromUtf8(shell.readAllStandardOutput())
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QVERIFY2(line.startsWith(QLatin1String("ok\t3x2\t./")), qPrintable(line));
        checked << line.section(QLatin1Char('/'), -1);
    }
    checked.sort();
    QCOMPARE(checked, expected);
}

void TestOutputs::unwritableOutputFails_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("sink");
    QTest::addColumn<int>("status");
    QTest::newRow("list into a full disk") << "list" << int(Sink::Full) << 1;
    QTest::newRow("list with output closed") << "list" << int(Sink::Closed) << 1;
    QTest::newRow("check into a full disk") << "check" << int(Sink::Full) << 2;
    QTest::newRow("check with output closed") << "check" << int(Sink::Closed) << 2;
    QTest::newRow("screenshot into a missing folder") << "screenshot" << int(Sink::Pipe) << 1;
}

void TestOutputs::unwritableOutputFails()
{
    QFETCH(QString, mode);
    QFETCH(int, sink);
    QFETCH(int, status);
    QTemporaryDir dir;
    const QString root = cacheRoot(dir, {QStringLiteral("a.bmp")});
    const QString picture = root + QStringLiteral("/WINDOWS/TIF/ABCD1234/a.bmp");
    QStringList arguments{QStringLiteral("--registry"), dir.filePath(QStringLiteral("velt.reg")),
                          QStringLiteral("--drive"),    QStringLiteral("C:=") + root,
                          QStringLiteral("--settings"), dir.filePath(QStringLiteral("VELT.ini"))};
    if (mode == "list")
        arguments << QStringLiteral("--list");
    else if (mode == "check")
        arguments = QStringList{QStringLiteral("--check"), picture};
    else
        arguments << QStringLiteral("--screenshot") << dir.filePath(QStringLiteral("no/shot.png"));
    const Run run = runVelt(arguments, Sink(sink));
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains("could not write"), run.err.constData());
    // The list still emptied the working folder, as the close does.
    if (mode == "list")
        QVERIFY(!QFile::exists(root + QStringLiteral("/WINDOWS/VeltTemp/a.bmp")));
}

void TestOutputs::settingsThatAreNoFileAreRefused()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("VELT.ini"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &settings : {fifo, dir.path()}) {
        const Run run = runVelt({QStringLiteral("--settings"), settings, QStringLiteral("--list")});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains("not a regular file"));
        QVERIFY(run.out.isEmpty());
    }
}

void TestOutputs::extractAgreesWithCheck_data()
{
    QTest::addColumn<QByteArray>("body");   // of the cache's one picture, a.jpg
    QTest::addColumn<QByteArray>("target"); // under the temporary folder, by its bytes
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("verdict"); // empty: nothing copied
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(&buffer, "JPEG"));
    }
    QTest::newRow("a picture") << jpeg << QByteArray("out") << 0 << "ok";
    QTest::newRow("a page named as a picture")
            << QByteArray("<html>not a picture</html>") << QByteArray("out") << 0 << "bad";
    QTest::newRow("a cut picture") << jpeg.left(jpeg.size() - 2) << QByteArray("out") << 0 << "bad";
    QTest::newRow("a target that is not UTF-8") << jpeg << QByteArray("caf\xE9/\xFF") << 0 << "ok";
    QTest::newRow("the working folder") << jpeg << QByteArray("WINDOWS/VeltTemp") << 2 << "";
    QTest::newRow("a folder in the working folder")
            << jpeg << QByteArray("WINDOWS/VeltTemp/MyBuffer/x") << 2 << "";
    QTest::newRow("the working folder by another path")
            << jpeg << QByteArray("WINDOWS/TIF/../VeltTemp/") << 2 << "";
}

void TestOutputs::extractAgreesWithCheck()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, target);
    QFETCH(int, status);
    QFETCH(QString, verdict);
    QTemporaryDir dir;
    const QString root = cacheRoot(dir, {});
    QVERIFY(writeFile(root + QStringLiteral("/WINDOWS/TIF/ABCD1234/a.jpg"), body));
    QVERIFY(QFile::setPermissions(root + QStringLiteral("/WINDOWS/TIF/ABCD1234/a.jpg"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QByteArray destBytes = QFile::encodeName(dir.path()) + '/' + target;
    // Through the shell, as a script hands the program a name's bytes.
    QByteArray format;
    for (const char c : destBytes)
        format += "\\" + QByteArray::number(quint8(c), 8).rightJustified(3, '0');
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELT_TEST_DEST"), QString::fromLatin1(format));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("exec \"$0\" \"$@\" --extract \"$(printf \"$VELT_TEST_DEST\")\""),
                   program("velt"), QStringLiteral("--registry"),
                   dir.filePath(QStringLiteral("velt.reg")), QStringLiteral("--drive"),
                   QStringLiteral("C:=") + root, QStringLiteral("--settings"),
                   dir.filePath(QStringLiteral("VELT.ini"))});
    QVERIFY(process.waitForFinished(60000));
    Run run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    QCOMPARE(run.status, status);
    if (verdict.isEmpty()) {
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains("working folder"), run.err.constData());
        QVERIFY(!QFile::exists(root + QStringLiteral("/WINDOWS/VeltTemp/a.jpg")));
        return;
    }
    QCOMPARE(run.out, verdict.toUtf8() + "\ta.jpg\n");
    // The folder made by its bytes, the copy as private as its source was.
    struct stat info
    {
    };
    QCOMPARE(::stat((destBytes + "/a.jpg").constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);
    QProcess check;
    check.setProcessEnvironment(env);
    check.start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("cd \"$(printf \"$VELT_TEST_DEST\")\" && exec \"$0\" --check a.jpg"),
             program("velt")});
    QVERIFY(check.waitForFinished(60000));
    const QByteArray checked = check.readAllStandardOutput();
    QCOMPARE(checked.left(checked.indexOf('\t')), verdict.toUtf8());
}

void TestOutputs::plantedSideTableChangesNoVerdict()
{
    // A JPEG cut short, and beside it a table claiming that the file is whole.
    QTemporaryDir dir;
    const QByteArray cut("\xFF\xD8\xFF\xE0 cut short");
    const QString path = dir.filePath(QStringLiteral("a.jpg"));
    QVERIFY(writeFile(path, cut));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime time(QDate(2020, 5, 1), QTime(12, 0), QTimeZone::utc());
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(writeFile(dir.filePath(QStringLiteral(".velt-sources.tsv")),
                      "a.jpg\t" + QByteArray::number(cut.size()) + '\t'
                              + QByteArray::number(time.toMSecsSinceEpoch())
                              + "\t0\tJpeg\t-1\thttps%3A%2F%2Fx.test%2Fa.jpg\n"));
    const Run run = runVelt({QStringLiteral("--check"), path});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.startsWith("bad\t<Jpeg"), run.out.constData());
}

QTEST_GUILESS_MAIN(TestOutputs)
#include "tst_outputs.moc"
