// The image-number window together with the real main window and picture window.
#include "index/frmno.h"
#include "options/recollection.h"
#include "viewer/frmview.h"

#include "app/frmsplash.h"

#include "common/fakeregistry.h"
#include "common/scripteddialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

const QDate kToday(2026, 12, 7);

void writeJpeg(const QString &path, QColor color)
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.flush();
    QVERIFY(f.setFileTime(QDateTime(QDate(2026, 12, 1), QTime(10, 0)),
                          QFileDevice::FileModificationTime));
}

// A started main window over a cache of a.jpg, b.jpg and c.jpg.
struct Started
{
    QTemporaryDir dir;
    FakeRegistry registry;
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    std::unique_ptr<FrmView> view;

    Started()
    {
        const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
        const QString ie = windows + QStringLiteral("/TIF");
        registry.setString(kHKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                           QStringLiteral("SystemRoot"), windows);
        registry.setString(kHKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
                                          "settings\\Cache\\Paths"),
                           QStringLiteral("Directory"), ie);
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            writeJpeg(ie + QStringLiteral("/A/") + QLatin1String(name), Qt::red);
        ViewerEnvironment env;
        env.registry = &registry;
        env.settingsPath = dir.filePath(QStringLiteral("VELT.ini"));
        env.timerIntervalMs = 1;
        env.pictureTimerIntervalMs = 1;
        env.keyRepeatGuardMs = 0;
        env.today = kToday;
        view = std::make_unique<FrmView>(state, settings, dialogs, env);
        view->Form_Load();
        view->show();
    }
};

} // namespace

class TestViewerList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listButtonOpensOneWindow();
    void pictureFromTheList();
    void closersCloseTheList_data();
    void closersCloseTheList();
    void recollectionUpdatesTheMainWindow();
};

void TestViewerList::listButtonOpensOneWindow()
{
    Started s;
    s.view->Command13_Click();
    QVERIFY(s.view->pictureWindow());
    s.view->Command14_Click();
    QVERIFY(!s.view->pictureWindow());
    FrmNo *no = s.view->noWindow();
    QVERIFY(no && no->isVisible());
    QCOMPARE(no->List1->count(), 3);
    QCOMPARE(no->List1->currentRow(), 0);
    QCOMPARE(s.view->Label3->text(), QStringLiteral("1"));
    no->List1->setCurrentRow(2);
    QCOMPARE(s.view->Label3->text(), QStringLiteral("3"));
    s.view->Command14_Click();
    QCOMPARE(s.view->noWindow(), no); // brought to the front, not filled again
    QCOMPARE(no->List1->currentRow(), 2);
}

void TestViewerList::pictureFromTheList()
{
    Started s;
    s.view->Command14_Click();
    FrmNo *no = s.view->noWindow();
    no->List1->setCurrentRow(1);
    QTest::keyClick(no->List1, Qt::Key_Return);
    QVERIFY(s.view->pictureWindow());
    QVERIFY(!s.view->pictureWindow()->picture().isNull());
    QCOMPARE(s.state.PicOwner, qint16(1));
    QCOMPARE(s.view->DisplayMode, qint16(2));
    QCOMPARE(s.view->fn(), s.state.WorkDir + QStringLiteral("/b.jpg"));
    QCOMPARE(s.view->Label3->text(), QStringLiteral("2"));
    // The main window's paging goes on from there, and the list follows it.
    s.view->Command13_Click();
    QCOMPARE(s.state.ListPos, 3);
    QCOMPARE(s.state.PicOwner, qint16(0));
    QCOMPARE(no->List1->currentRow(), 2);
}

void TestViewerList::closersCloseTheList_data()
{
    QTest::addColumn<QString>("closer");
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("minimising the main window") << "minimise";
    QTest::newRow("closing the main window") << "close";
}

void TestViewerList::closersCloseTheList()
{
    QFETCH(QString, closer);
    Started s;
    s.view->Command14_Click();
    QPointer<FrmNo> no = s.view->noWindow();
    s.state.PicOwner = 1;
    if (closer == QLatin1String("Esc"))
        QTest::keyClick(no->List1, Qt::Key_Escape);
    else if (closer == QLatin1String("minimise"))
        s.view->setWindowState(Qt::WindowMinimized);
    else
        s.view->close();
    QTRY_VERIFY(!no); // deleted once closed
    QVERIFY(!s.view->noWindow());
    QCOMPARE(s.state.PicOwner, qint16(0));
    if (closer == QLatin1String("Esc")) {
        s.view->Command14_Click(); // a new window, filled again
        QVERIFY(s.view->noWindow());
        QCOMPARE(s.view->noWindow()->List1->count(), 3);
    }
}

void TestViewerList::recollectionUpdatesTheMainWindow()
{
    Started s;
    s.settings.setFlag(NoConditions, false);
    s.settings.setFlag(MinSizeOn, true);
    s.settings.setText(MinSize, QStringLiteral("1e9"));
    recollectWorkDir(s.state, s.settings, s.view->extTable(), kToday, s.dialogs, *s.view);
    QVERIFY(!s.view->Command12->isEnabled());
    QVERIFY(!s.view->Command13->isEnabled());
    QCOMPARE(s.view->Label5->text(), QStringLiteral("0"));
    s.settings.setFlag(MinSizeOn, false);
    recollectWorkDir(s.state, s.settings, s.view->extTable(), kToday, s.dialogs, *s.view);
    QVERIFY(s.view->Command12->isEnabled());
    QCOMPARE(s.view->Label3->text(), QStringLiteral("0"));
    QCOMPARE(s.view->Label5->text(), QStringLiteral("3"));
}

QTEST_MAIN(TestViewerList)
#include "tst_viewerlist.moc"
