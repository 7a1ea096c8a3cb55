// Copies out of the working folder into a folder that already holds files of the same names.

#include "cli/extractcommand.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

class TestExtractNames : public QObject
{
    Q_OBJECT
private slots:
    void everyCopyGetsItsOwnName_data();
    void everyCopyGetsItsOwnName();
};

void TestExtractNames::everyCopyGetsItsOwnName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("copies");
    QTest::addColumn<QStringList>("present"); // in the target before the copies
    QTest::newRow("3000 of one name") << QStringLiteral("a.jpg") << 3000 << QStringList();
    QTest::newRow("suffixed names already taken")
            << QStringLiteral("a.jpg") << 40
            << QStringList{"a.jpg", "a_2.jpg", "a_3.jpg", "a_17.jpg", "a_41.jpg"};
    // Every suffix shortens the stem: the copies must still differ.
    QTest::newRow("names at the byte limit")
            << QString(251, QChar(0x3042)).left(83) + QStringLiteral(".png") << 200
            << QStringList();
    QTest::newRow("no extension") << QStringLiteral("video") << 30 << QStringList{"video_5"};
}

void TestExtractNames::everyCopyGetsItsOwnName()
{
    QFETCH(QString, name);
    QFETCH(int, copies);
    QFETCH(QStringList, present);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("src/") + name);
    const QString target = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("src"))));
    QVERIFY(QDir().mkpath(target));
    for (const QString &taken : present) {
        QFile f(QDir(target).filePath(taken));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old") == 3);
    }
    SuffixNumbers numbers;
    QSet<QString> used;
    for (int i = 0; i < copies; ++i) {
        QFile f(source);
        const QByteArray body = QByteArray::number(i);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(body) == body.size());
        f.close();
        bool refused = true;
        const auto copied = copyIntoFolder(source, target, numbers, &refused);
        QVERIFY2(copied, qPrintable(QString::number(i)));
        QVERIFY(!refused);
        QVERIFY2(!used.contains(*copied), qPrintable(*copied));
        QVERIFY(!present.contains(*copied));
        QVERIFY(QFile::encodeName(*copied).size() <= 255);
        used.insert(*copied);
        QFile copy(QDir(target).filePath(*copied));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), body);
    }
    // The files there before are untouched and every copy is still there.
    for (const QString &taken : present) {
        QFile f(QDir(target).filePath(taken));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old"));
    }
    QCOMPARE(QDir(target).entryList(QDir::Files).size(), copies + present.size());
}

QTEST_GUILESS_MAIN(TestExtractNames)
#include "tst_extractnames.moc"
