// File names as bytes: the decoded form, what the windows and the line-oriented output show,
// and the file access that keeps the bytes.

#include "platform/namebytes.h"
#include "platform/printable.h"

#include "common/hostilenames.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velt;

namespace {

// Bytes that hit every path of the decoder: ASCII, stray bytes, and whole and cut sequences of
// every length.
QByteArray randomName(QRandomGenerator &rng)
{
    QByteArray bytes;
    const int pieces = rng.bounded(12);
    for (int i = 0; i < pieces; ++i) {
        switch (rng.bounded(4)) {
        case 0:
            bytes += char(rng.bounded(1, 0x80));
            break;
        case 1:
            bytes += char(rng.bounded(0x80, 0x100));
            break;
        default: {
            // A whole character, sometimes cut short.
            static const char32_t starts[] = {0x80, 0x800, 0xE000, 0x10000, 0x3000};
            const char32_t c = starts[rng.bounded(5)] + rng.bounded(0x400);
            QByteArray sequence = QString::fromUcs4(&c, 1).toUtf8();
            if (rng.bounded(4) == 0)
                sequence.chop(1);
            bytes += sequence;
        }
        }
    }
    return bytes;
}

} // namespace

class TestNameBytes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forms_data();
    void forms();
    void everyByteStringComesBack();
    void textEncodesAsUtf8();
    void filesAreReachedByTheirBytes();
    void lossyDialogNamesFindTheirFiles();
    void programsGetTheBytes();
};

void TestNameBytes::forms_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("escaped");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("printed");
    const QString r(QChar::ReplacementCharacter);
    QTest::newRow("ascii") << QByteArray("a b.jpg") << false << "a b.jpg"
                           << "a b.jpg";
    QTest::newRow("japanese") << QStringLiteral("写真.jpg").toUtf8() << false << "写真.jpg"
                              << "写真.jpg";
    QTest::newRow("latin-1") << QByteArray("caf\xE9.jpg") << true << "caf" + r + ".jpg"
                             << "caf\\xE9.jpg";
    QTest::newRow("shift-jis") << QByteArray("\x82\xA0.jpg") << true << r + r + ".jpg"
                               << "\\x82\\xA0.jpg";
    QTest::newRow("two stray bytes")
            << QByteArray("bad\xFF\xFE.jpg") << true << "bad" + r + r + ".jpg"
            << "bad\\xFF\\xFE.jpg";
    QTest::newRow("valid U+FFFD") << QByteArray("bad\xEF\xBF\xBD.jpg") << false
                                  << "bad" + r + ".jpg"
                                  << "bad" + r + ".jpg";
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << true << r + r << "\\xC0\\xAF";
    QTest::newRow("encoded surrogate")
            << QByteArray("\xED\xA0\x80") << true << r + r + r << "\\xED\\xA0\\x80";
    // The UTF-8 form of an escape is not an escape: three stray bytes.
    QTest::newRow("encoded U+DCE9")
            << QByteArray("\xED\xB3\xA9") << true << r + r + r << "\\xED\\xB3\\xA9";
    QTest::newRow("cut sequence") << QByteArray("a\xE6\x97") << true << "a" + r + r
                                  << "a\\xE6\\x97";
    QTest::newRow("past U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80") << true << r + r + r + r << "\\xF4\\x90\\x80\\x80";
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << false
                                << QStringLiteral("\U0001F600") << QStringLiteral("\U0001F600");
    // Its second half lies where escapes do.
    QTest::newRow("U+10080") << QByteArray("\xF0\x90\x82\x80") << false
                             << QStringLiteral("\U00010080") << QStringLiteral("\U00010080");
    QTest::newRow("line break and Latin-1")
            << QByteArray("two\nlin\xE9.jpg") << true << "two\nlin" + r + ".jpg"
            << "two\\nlin\\xE9.jpg";
    // \xHH from 0x80 on is always a byte, so the character U+0085 is written otherwise.
    QTest::newRow("C1 control") << QByteArray("\xC2\x85") << false << QStringLiteral("\u0085")
                                << "\\u0085";
    QTest::newRow("the byte 85") << QByteArray("\x85") << true << r << "\\x85";
}

void TestNameBytes::forms()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, escaped);
    QFETCH(QString, shown);
    QFETCH(QString, printed);
    const QString name = decodeFileName(bytes);
    QCOMPARE(encodeFileName(name), bytes);
    QCOMPARE(hasEscapedBytes(name), escaped);
    QCOMPARE(displayFileName(name), shown);
    QCOMPARE(displayFileName(name).size(), name.size());
    QCOMPARE(printableText(name), printed);
    QCOMPARE(printableBytes(bytes), printed);
    // A valid name is the text Qt makes of it.
    if (!escaped)
        QCOMPARE(name, QString::fromUtf8(bytes));
}

void TestNameBytes::everyByteStringComesBack()
{
    QRandomGenerator rng(20261207);
    for (int i = 0; i < 50000; ++i) {
        const QByteArray bytes = randomName(rng);
        const QString name = decodeFileName(bytes);
        QCOMPARE(encodeFileName(name), bytes);
        QCOMPARE(decodeFileName(encodeFileName(name)), name);
        QCOMPARE(printableBytes(bytes), printableText(name));
        QCOMPARE(hasEscapedBytes(name), QString::fromUtf8(bytes).toUtf8() != bytes);
        // Well formed apart from the escapes: every first half of a pair has its second half,
        // and a second half alone is an escaped byte.
        for (qsizetype k = 0; k < name.size(); ++k) {
            if (name[k].isHighSurrogate())
                QVERIFY(k + 1 < name.size() && name[k + 1].isLowSurrogate());
            if (name[k].isLowSurrogate() && (k == 0 || !name[k - 1].isHighSurrogate()))
                QVERIFY(name[k].unicode() >= 0xDC80 && name[k].unicode() <= 0xDCFF);
        }
    }
}

void TestNameBytes::textEncodesAsUtf8()
{
    QRandomGenerator rng(7);
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int length = rng.bounded(10);
        for (int k = 0; k < length; ++k) {
            char32_t c = rng.bounded(1, 0x110000);
            if (c >= 0xD800 && c <= 0xDFFF)
                c = 0x3042;
            text += QString::fromUcs4(&c, 1);
        }
        QCOMPARE(encodeFileName(text), text.toUtf8());
        QCOMPARE(decodeFileName(encodeFileName(text)), text);
        QVERIFY(!hasEscapedBytes(text));
    }
}

void TestNameBytes::filesAreReachedByTheirBytes()
{
    hostilenames::TemporaryDir dir;
    const QDateTime time(QDate(2026, 11, 3), QTime(8, 15, 42, 250));
    QSet<QString> expected;
    for (const hostilenames::Name &n : hostilenames::pictureNames()) {
        QVERIFY(hostilenames::writeNamed(dir.path(), n.bytes, n.bytes + "!", time));
        expected << decodeFileName(n.bytes);
    }
    // What the walks leave out: a link, a FIFO and a folder, all named so too.
    QCOMPARE(::symlink("caf\xE9.jpg", hostilenames::pathBytes(dir.path(), "link\xE9.jpg")), 0);
    QCOMPARE(::mkfifo(hostilenames::pathBytes(dir.path(), "fifo\xE9.jpg"), 0600), 0);
    QCOMPARE(::mkdir(hostilenames::pathBytes(dir.path(), "dir\xE9"), 0700), 0);

    QSet<QString> listed;
    for (const FolderFile &file : regularFilesIn(dir.path())) {
        listed << file.name;
        QCOMPARE(file.size, encodeFileName(file.name).size() + 1);
        QCOMPARE(file.modified, time);
    }
    QCOMPARE(listed, expected);
    QCOMPARE(foldersIn(dir.path()), QStringList{decodeFileName("dir\xE9")});

    for (const hostilenames::Name &n : hostilenames::pictureNames()) {
        const QString path = dir.path() + QLatin1Char('/') + decodeFileName(n.bytes);
        const FileStatus status = fileStatus(path);
        QVERIFY2(status.regular, n.label);
        QCOMPARE(status.modified, time);
        QFile file;
        QVERIFY2(openRegularFile(path, file), n.label);
        QCOMPARE(file.readAll(), n.bytes + "!");
    }
    const QString link = dir.path() + QLatin1Char('/') + decodeFileName("link\xE9.jpg");
    QVERIFY(fileStatus(link, Links::NoFollow).link);
    QVERIFY(fileStatus(link).regular);
    // A FIFO is refused at once, not waited on.
    QFile fifo;
    QVERIFY(!openRegularFile(dir.path() + QLatin1Char('/') + decodeFileName("fifo\xE9.jpg"), fifo));
    QVERIFY(!fileStatus(dir.path() + QStringLiteral("/gone.jpg")).exists);
}

void TestNameBytes::lossyDialogNamesFindTheirFiles()
{
    hostilenames::TemporaryDir dir;
    for (const hostilenames::Name &n : hostilenames::pictureNames())
        QVERIFY(hostilenames::writeNamed(dir.path(), n.bytes, n.bytes));
    const QString base = dir.path() + QLatin1Char('/');
    for (const hostilenames::Name &n : hostilenames::pictureNames()) {
        const QString lossy = base + QString::fromUtf8(n.bytes);
        const QString resolved = resolveLossyPath(lossy);
        QFile file;
        QVERIFY2(openRegularFile(resolved, file), n.label);
        // "bad\xFF.jpg" and "bad\xFE.jpg" decode lossily to the valid name that exists: that
        // file is the one named.
        const QByteArray expected = QString::fromUtf8(n.bytes) == QStringLiteral("bad\uFFFD.jpg")
                ? QByteArray("bad\xEF\xBF\xBD.jpg")
                : n.bytes;
        QCOMPARE(file.readAll(), expected);
    }
    // Nothing to find: the path stays as it was.
    const QString missing = base + QStringLiteral("none\uFFFD.jpg");
    QCOMPARE(resolveLossyPath(missing), missing);
}

void TestNameBytes::programsGetTheBytes()
{
    hostilenames::TemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("argument"));
    const QString name = decodeFileName("caf\xE9\n.jpg");
    QVERIFY(startDetachedProgram(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("printf %s \"$0\" > \"$1\""), name, out}));
    QTRY_COMPARE(hostilenames::readNamed(dir.path(), "argument"), QByteArray("caf\xE9\n.jpg"));
    QVERIFY(!startDetachedProgram(dir.filePath(QStringLiteral("missing")), {name}));
    QVERIFY(!startDetachedProgram(dir.path(), {name}));
}

QTEST_GUILESS_MAIN(TestNameBytes)
#include "tst_namebytes.moc"
