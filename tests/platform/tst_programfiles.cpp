#include "platform/programfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

Q_DECLARE_METATYPE(ProgramFileKind)

class TestProgramFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findProgramFile_data();
    void findProgramFile();
    void runsInstalled_data();
    void runsInstalled();
    void pictureFormatFolders_data();
    void pictureFormatFolders();
};

void TestProgramFiles::findProgramFile_data()
{
    QTest::addColumn<QStringList>("files"); // under a prefix; a name ending in "/" is a folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<ProgramFileKind>("kind");
    QTest::addColumn<QString>("found"); // relative to the prefix; empty: not found

    const auto helper = ProgramFileKind::Helper;
    const auto data = ProgramFileKind::Data;
    QTest::newRow("build tree: beside the executable")
            << QStringList{"bin/velt-metafile"} << "velt-metafile" << helper << "bin/velt-metafile";
    QTest::newRow("installed helper") << QStringList{"libexec/velt/velt-metafile"}
                                      << "velt-metafile" << helper << "libexec/velt/velt-metafile";
    QTest::newRow("installed data")
            << QStringList{"share/velt/cut.bmp"} << "cut.bmp" << data << "share/velt/cut.bmp";
    QTest::newRow("data in a sub-folder")
            << QStringList{"share/velt/help/velt-help.html"} << "help/velt-help.html" << data
            << "share/velt/help/velt-help.html";
    QTest::newRow("beside wins") << QStringList{"bin/cut.bmp", "share/velt/cut.bmp"} << "cut.bmp"
                                 << data << "bin/cut.bmp";
    QTest::newRow("a helper is not looked for among the data")
            << QStringList{"share/velt/velt-metafile"} << "velt-metafile" << helper << "";
    QTest::newRow("a folder of that name is no file")
            << QStringList{"bin/cut.bmp/", "share/velt/cut.bmp"} << "cut.bmp" << data
            << "share/velt/cut.bmp";
    QTest::newRow("nowhere") << QStringList{"bin/velt"} << "cut.bmp" << data << "";
}

void TestProgramFiles::findProgramFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, name);
    QFETCH(ProgramFileKind, kind);
    QFETCH(QString, found);

    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath("bin"));
    for (const QString &file : files) {
        if (file.endsWith('/')) {
            QVERIFY(root.mkpath(file));
            continue;
        }
        QVERIFY(root.mkpath(QFileInfo(file).path()));
        QFile f(root.filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString expected = found.isEmpty() ? QString() : root.filePath(found);
    QCOMPARE(velt::findProgramFile(name, kind, root.filePath("bin")), expected);
}

void TestProgramFiles::runsInstalled_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("installed");
    QTest::newRow("build tree") << "" << false;
    QTest::newRow("data folder") << "share/velt" << true;
    QTest::newRow("helper folder") << "libexec/velt" << true;
    QTest::newRow("another program's data") << "share/other" << false;
}

void TestProgramFiles::runsInstalled()
{
    QFETCH(QString, folder);
    QFETCH(bool, installed);
    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath("bin"));
    if (!folder.isEmpty())
        QVERIFY(root.mkpath(folder));
    QCOMPARE(velt::runsInstalled(root.filePath("bin")), installed);
    QCOMPARE(velt::runsInstalled(QString()), false);
}

void TestProgramFiles::pictureFormatFolders_data()
{
    QTest::addColumn<QStringList>("folders"); // made under the prefix
    QTest::addColumn<QStringList>("found");   // relative to the prefix, in order
    QTest::newRow("build tree") << QStringList{"bin/imageformats"} << QStringList{"bin"};
    QTest::newRow("installed") << QStringList{"libexec/velt/imageformats"}
                               << QStringList{"libexec/velt"};
    QTest::newRow("both, beside first")
            << QStringList{"bin/imageformats", "libexec/velt/imageformats"}
            << QStringList{"bin", "libexec/velt"};
    QTest::newRow("helper folder without plugins") << QStringList{"libexec/velt"} << QStringList{};
    QTest::newRow("another program's plugins")
            << QStringList{"libexec/other/imageformats"} << QStringList{};
}

void TestProgramFiles::pictureFormatFolders()
{
    QFETCH(QStringList, folders);
    QFETCH(QStringList, found);
    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath("bin"));
    for (const QString &folder : folders)
        QVERIFY(root.mkpath(folder));
    QStringList expected;
    for (const QString &folder : found)
        expected << root.filePath(folder);
    QCOMPARE(velt::pictureFormatFolders(root.filePath("bin")), expected);
    QVERIFY(velt::pictureFormatFolders(QString()).isEmpty());
}

QTEST_GUILESS_MAIN(TestProgramFiles)
#include "tst_programfiles.moc"
