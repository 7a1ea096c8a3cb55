#include "app/mdlvelt.h"
#include "platform/dialogs.h"
#include "platform/workdir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

class TestMdlVelt : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tableLayout();
    void classify_data();
    void classify();
    void classifyWithTodaysTypes_data();
    void classifyWithTodaysTypes();
    void albumTypes_data();
    void albumTypes();
    void displayLine_data();
    void displayLine();
    void filterConvertsToQtSyntax();
    void workDirEmptying();
    void workDirRefusals_data();
    void workDirRefusals();
};

void TestMdlVelt::tableLayout()
{
    ExtTable t;
    t.fill();
    QCOMPARE(t.at(1, 1), QStringLiteral("JPG"));
    QCOMPARE(t.at(1, 7), QStringLiteral("JPE"));
    QCOMPARE(t.at(1, 8), QStringLiteral("   "));
    QCOMPARE(t.at(1, 40), QStringLiteral("   "));
    QCOMPARE(t.at(2, 2), QStringLiteral("MPEG"));
    QCOMPARE(t.at(2, 26), QStringLiteral("AIFF"));
    QCOMPARE(t.at(2, 27), QStringLiteral("   "));
    QVERIFY(t.at(0, 1).isEmpty());
    QVERIFY(t.at(1, 0).isEmpty());
}

void TestMdlVelt::classify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("media");
    QTest::newRow("JPG") << "a.JPG" << true << false;
    QTest::newRow("jpg") << "a.jpg" << true << false;
    QTest::newRow("Jpg") << "a.Jpg" << true << false;
    QTest::newRow("jpeg is a movie name") << "a.jpeg" << false << true;
    QTest::newRow("rm") << "clip.rm" << false << true;
    QTest::newRow("irm without dot") << "firm" << false << false;
    QTest::newRow("aifc") << "s.aifc" << false << true;
    QTest::newRow("aiff") << "s.aiff" << false << true;
    QTest::newRow("aif") << "s.aif" << false << true;
    QTest::newRow("xgif without dot") << "xgif" << true << false;
    QTest::newRow("short") << "ra" << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("qt") << "m.qt" << false << true;
    QTest::newRow("au") << "x.au" << false << true;
    QTest::newRow("path") << "C:\\WINDOWS\\VeltTemp\\p.emf" << true << false;
    QTest::newRow("txt") << "a.txt" << false << false;
    QTest::newRow("three spaces never match") << "a   " << false << false;
}

void TestMdlVelt::classify()
{
    QFETCH(QString, name);
    QFETCH(bool, picture);
    QFETCH(bool, media);
    const ExtTable &t = ExtTable::standard();
    QCOMPARE(t.SerchGaExp(name), picture);
    QCOMPARE(t.SerchDoExp(name), media);
}

// With today's types the older names classify as before; today's join them.
void TestMdlVelt::classifyWithTodaysTypes_data()
{
    classify_data();
    QTest::newRow("png") << "a.png" << true << false;
    QTest::newRow("webp") << "a.WEBP" << true << false;
    QTest::newRow("avif") << "a.avif" << true << false;
    QTest::newRow("svg") << "a.svg" << true << false;
    for (const char *name :
         {"v.mp4", "v.m4v", "v.webm", "s.ogg", "s.opus", "s.m4a", "s.aac", "s.flac", "s.mp3"})
        QTest::newRow(name) << name << false << true;
}

void TestMdlVelt::classifyWithTodaysTypes()
{
    QFETCH(QString, name);
    QFETCH(bool, picture);
    QFETCH(bool, media);
    ExtTable t = ExtTable::standard();
    t.addTodaysTypes();
    QCOMPARE(t.SerchGaExp(name), picture);
    QCOMPARE(t.SerchDoExp(name), media);
    QCOMPARE(qtFilterList(openFileFilter(t)).size(), 12);
    t.fill();
    QVERIFY(!t.SerchGaExp(QStringLiteral("a.png")));
    QCOMPARE(openFileFilter(t), QString::fromUtf8(kOpenFileFilter));
}

void TestMdlVelt::albumTypes_data()
{
    QTest::addColumn<QString>("steps"); // a: album types, t: today's types, f: fill
    QTest::addColumn<QStringList>("pictures");
    QTest::addColumn<QStringList>("notPictures");
    QTest::addColumn<bool>("todaysFilter");
    const QStringList album{"p.HEIC", "p.heif", "p.avif", "p.jxl", "p.webp", "p.png", "p.jpg"};
    QTest::newRow("album") << "a" << album << QStringList{"p.svg", "p.tif", "p.mp4"} << false;
    QTest::newRow("album twice adds nothing twice")
            << "aa" << album << QStringList{"p.svg"} << false;
    QTest::newRow("album, then today's")
            << "at" << album + QStringList{"p.svg"} << QStringList{"p.tif"} << true;
    QTest::newRow("today's, then album")
            << "ta" << album + QStringList{"p.svg"} << QStringList{"p.tif"} << true;
    QTest::newRow("album taken out again") << "af" << QStringList{"p.jpg", "p.jpe"}
                                           << QStringList{"p.heic", "p.png", "p.jxl"} << false;
}

void TestMdlVelt::albumTypes()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, pictures);
    QFETCH(QStringList, notPictures);
    QFETCH(bool, todaysFilter);
    ExtTable t = ExtTable::standard();
    for (const QChar step : steps) {
        if (step == QLatin1Char('a'))
            t.addAlbumTypes();
        else if (step == QLatin1Char('t'))
            t.addTodaysTypes();
        else
            t.fill();
    }
    for (const QString &name : pictures)
        QVERIFY2(t.SerchGaExp(name) && !t.SerchDoExp(name), qPrintable(name));
    for (const QString &name : notPictures)
        QVERIFY2(!t.SerchGaExp(name), qPrintable(name));
    QVERIFY(t.pictureRows() < ExtTable::kRows);
    QCOMPARE(t.hasTodaysTypes(), todaysFilter);
}

void TestMdlVelt::displayLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expectedField");
    QTest::newRow("short") << "a.jpg" << QStringLiteral("a.jpg").leftJustified(35);
    const QString n34(34, QLatin1Char('x'));
    QTest::newRow("34 chars") << n34 << n34 + QLatin1Char(' ');
    const QString n35(35, QLatin1Char('y'));
    QTest::newRow("35 chars") << n35 << QString(34, QLatin1Char('y')) + QLatin1Char(' ');
    QTest::newRow("200 chars") << QString(200, QLatin1Char('z'))
                               << QString(34, QLatin1Char('z')) + QLatin1Char(' ');
    QTest::newRow("japanese") << QStringLiteral("画像.jpg")
                              << QStringLiteral("画像.jpg").leftJustified(35);
}

void TestMdlVelt::displayLine()
{
    QFETCH(QString, name);
    QFETCH(QString, expectedField);
    const QDateTime t(QDate(2001, 2, 3), QTime(4, 5, 6));
    const QString line = velt::displayLine(name, t);
    QCOMPARE(line.left(35), expectedField);
    QCOMPARE(line.mid(35), QStringLiteral("2001/02/03   04:05:06"));
    QCOMPARE(line.size(), 56);
}

void TestMdlVelt::filterConvertsToQtSyntax()
{
    const QStringList filters = qtFilterList(QString::fromUtf8(kOpenFileFilter));
    QCOMPARE(filters.size(), 10);
    QVERIFY(filters.first().startsWith(QStringLiteral("動画ファイル(*.avi;")));
    QVERIFY(filters.first().endsWith(
            QStringLiteral("(*.avi *.m1v *.mp2 *.mpa *.mpe *.mpeg *.mpg *.mp3 *.m3u)")));
    // The ninth description says *.affc, its pattern *.aifc: both are kept as they stand.
    QVERIFY(filters[8].contains(QStringLiteral("*.affc;")));
    QVERIFY(filters[8].endsWith(QStringLiteral("*.aifc *.aiff)")));
    QVERIFY(filters.last().endsWith(QStringLiteral("(*.*)")));
}

void TestMdlVelt::workDirEmptying()
{
    QTemporaryDir root;
    const QString work = root.filePath(QStringLiteral("VeltTemp"));
    QVERIFY(QDir().mkpath(work + QStringLiteral("/MyBuffer")));
    const QString outside = root.filePath(QStringLiteral("keep.jpg"));
    for (const QString &path : {work + QStringLiteral("/a.jpg"), work + QStringLiteral("/.hidden"),
                                work + QStringLiteral("/MyBuffer/saved.jpg"), outside}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(outside, work + QStringLiteral("/link.jpg")));
    QVERIFY(QFile::link(root.path(), work + QStringLiteral("/dirlink")));

    QCOMPARE(emptyWorkDir(work), EmptyResult::Emptied);
    QVERIFY(!QFile::exists(work + QStringLiteral("/a.jpg")));
    QVERIFY(!QFile::exists(work + QStringLiteral("/.hidden")));
    QVERIFY(!QFileInfo(work + QStringLiteral("/link.jpg")).isSymLink());
    QVERIFY(QFile::exists(outside)); // the link went, not its target
    QVERIFY(QFile::exists(work + QStringLiteral("/MyBuffer/saved.jpg")));
    QVERIFY(QFileInfo(work + QStringLiteral("/dirlink")).isSymLink()); // folder links stay
}

void TestMdlVelt::workDirRefusals_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("empty") << QString();
    QTest::newRow("relative") << QStringLiteral("VeltTemp");
    QTest::newRow("other name") << QStringLiteral("@/Documents");
    QTest::newRow("missing") << QStringLiteral("@/nothing/VeltTemp");
}

void TestMdlVelt::workDirRefusals()
{
    QFETCH(QString, relative);
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Documents"))));
    QFile f(root.filePath(QStringLiteral("Documents/precious.txt")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QString dir = relative;
    dir.replace(QLatin1Char('@'), root.path());
    QCOMPARE(emptyWorkDir(dir), EmptyResult::Refused);
    QVERIFY(QFile::exists(root.filePath(QStringLiteral("Documents/precious.txt"))));
}

QTEST_GUILESS_MAIN(TestMdlVelt)
#include "tst_mdlvelt.moc"
