// The thumbnail window over a list of real files, with the main window and the image-number
// window played by recorders.
#include "album/frmviewalbum.h"

#include "index/frmno.h"

#include "common/scripteddialogs.h"
#include "picture/picturefiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;
using picturefiles::encoded;
using picturefiles::pattern;

namespace {

// The main window as the thumbnail window sees it.
class Owner : public NoOwner
{
public:
    explicit Owner(MdlVELT &state) : m_state(state) { }
    QString fn;
    int number = -1;
    QStringList opened; // "name owner PicOwner" per picture window opened
    int closes = 0;

    void setFn(const QString &path) override { fn = path; }
    void closePictureWindow() override { ++closes; }
    void openPictureWindow() override
    {
        opened << QFileInfo(fn).fileName() + " owner " + QString::number(m_state.PicOwner);
    }
    void setDisplayMode(qint16) override { }
    void setPictureNumber(int listPos) override { number = listPos; }
    const ExtTable &extTable() const override { return ExtTable::standard(); }
    QDate today() const override { return QDate(2026, 12, 7); }
    void setNavigationEnabled(bool) override { }
    void setCounters(int, int) override { }

private:
    MdlVELT &m_state;
};

// A list of count pictures p01.jpg ... in WorkDir, the ones named in damaged cut short, the
// ones in missing not there at all.
struct Album
{
    QTemporaryDir dir;
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    Owner owner{state};
    std::unique_ptr<FrmNo> no;
    QPointer<FrmViewAlbum> window;
    QString cutPath;

    explicit Album(int count, const QList<int> &damaged = {}, const QList<int> &missing = {},
                   bool realFiles = true)
    {
        state.WorkDir = dir.filePath(QStringLiteral("VeltTemp"));
        QDir().mkpath(state.WorkDir);
        const QByteArray jpeg = encoded(pattern({160, 120}), "JPG");
        state.reserveList(count);
        for (int n = 1; n <= count; ++n) {
            const QString name = QStringLiteral("p%1.jpg").arg(n, 5, 10, QLatin1Char('0'));
            state.ListFile[n] = name;
            state.ListLine[n] = name;
            if (!realFiles || missing.contains(n))
                continue;
            QFile f(state.WorkDir + QLatin1Char('/') + name);
            f.open(QIODevice::WriteOnly);
            f.write(damaged.contains(n) ? jpeg.left(jpeg.size() / 2) : jpeg);
        }
        state.ListCount = count;
        cutPath = dir.filePath(QStringLiteral("cut.bmp"));
        QImage cut(62, 68, QImage::Format_RGB32);
        cut.fill(Qt::gray);
        cut.save(cutPath, "BMP");
    }
    void open(bool withNo = true)
    {
        if (withNo) {
            no = std::make_unique<FrmNo>(state, settings, dialogs, owner);
            no->Form_Load();
            no->show();
        }
        window = new FrmViewAlbum(state, owner, [this] { return no.get(); });
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setCutPicturePath(cutPath);
        window->Form_Load();
        window->show();
    }
    ~Album() { delete window; }
    // What each cell shows: "name" for a thumbnail, "placeholder", "cut" or "empty".
    QStringList cells() const
    {
        const QImage placeholder = thumbnailPlaceholder();
        QStringList shown;
        for (ThumbnailCell *cell : window->Image1) {
            const QImage &p = cell->picture();
            if (p.isNull())
                shown << "empty";
            else if (p == placeholder)
                shown << "placeholder";
            else if (p.size() == QSize(62, 68) && p.pixel(30, 30) == QColor(Qt::gray).rgb())
                shown << "cut";
            else
                shown << cell->toolTip();
        }
        return shown;
    }
};

QString name(int n)
{
    return QStringLiteral("p%1.jpg").arg(n, 5, 10, QLatin1Char('0'));
}

QStringList names(int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list << name(n);
    return list;
}

} // namespace

class TestFrmViewAlbum : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
    void scrolling();
    void damagedAndMissing_data();
    void damagedAndMissing();
    void click_data();
    void click();
    void closing_data();
    void closing();
    void thirtyThousand();
};

void TestFrmViewAlbum::load_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("scroll");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("empty list") << 0 << false << 1 << QStringList();
    QStringList three = names(1, 3);
    for (int c = 3; c < 10; ++c)
        three << "placeholder";
    QTest::newRow("3 pictures") << 3 << false << 1 << three;
    QTest::newRow("11 pictures") << 11 << true << 2 << names(1, 10);
    QTest::newRow("25 pictures") << 25 << true << 16 << names(1, 10);
}

void TestFrmViewAlbum::load()
{
    QFETCH(int, count);
    QFETCH(bool, scroll);
    QFETCH(int, maximum);
    QFETCH(QStringList, cells);
    Album a(count);
    a.state.ListPos = 7;
    a.open();
    QCOMPARE(a.window->VScroll1->isVisibleTo(a.window), scroll);
    QCOMPARE(a.window->VScroll1->value(), 1);
    if (scroll)
        QCOMPARE(a.window->VScroll1->maximum(), maximum);
    QCOMPARE(a.window->cursor().shape(), Qt::ArrowCursor);
    if (count == 0) {
        for (ThumbnailCell *cell : a.window->Image1)
            QVERIFY(!cell->isVisibleTo(a.window));
        QCOMPARE(a.state.ListPos, 7); // nothing changes
        return;
    }
    QCOMPARE(a.cells(), cells);
    // Opening makes the first picture the current one, in the main window and the list.
    QCOMPARE(a.state.ListPos, 1);
    QCOMPARE(a.owner.number, 1);
    QCOMPARE(a.no->List1->currentRow(), 0);
}

void TestFrmViewAlbum::scrolling()
{
    Album a(25);
    a.open();
    // One step costs one picture: the other nine are still decoded.
    const int before = a.window->decodes();
    a.window->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(a.cells(), names(2, 11));
    QCOMPARE(a.window->decodes(), before + 1);
    for (int value : {16, 40, 11}) {
        a.window->VScroll1->setValue(value);
        const int v = qMin(value, 16); // a step beyond the end stops there
        QCOMPARE(a.cells(), names(v, v + 9));
        QCOMPARE(a.state.ListPos, v);
        QCOMPARE(a.owner.number, v);
        QCOMPARE(a.no->List1->currentRow(), v - 1);
    }
}

void TestFrmViewAlbum::damagedAndMissing_data()
{
    QTest::addColumn<QString>("cut"); // cut.bmp: there, missing, damaged
    QTest::addColumn<QStringList>("atLoad");
    QTest::addColumn<QStringList>("afterScroll"); // scrolled to 2: cells show 2..11
    const QStringList rest = names(4, 10);
    QTest::newRow("cut.bmp there") << "there" << (QStringList{name(1), "placeholder", "cut"} + rest)
                                   << (QStringList{"cut", "cut"} + names(4, 11));
    for (const char *cut : {"missing", "damaged"})
        QTest::addRow("cut.bmp %s", cut)
                << cut << (QStringList{name(1), "placeholder", "placeholder"} + rest)
                << (QStringList{"empty", "empty"} + names(4, 11));
}

void TestFrmViewAlbum::damagedAndMissing()
{
    // p00002 is cut short, p00003 is not there.
    QFETCH(QString, cut);
    Album a(11, {2}, {3});
    if (cut != QLatin1String("there"))
        QVERIFY(QFile::remove(a.cutPath));
    if (cut == QLatin1String("damaged"))
        QVERIFY(picturefiles::writeFile(a.cutPath, "BMx\0\0 not a bitmap"));
    a.open();
    QTEST(a.cells(), "atLoad");
    a.window->VScroll1->setValue(2);
    QTEST(a.cells(), "afterScroll");
}

void TestFrmViewAlbum::click_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("position"); // 0: nothing happens
    QTest::newRow("cell 7 at 11") << 25 << 11 << 7 << 18;
    QTest::newRow("first cell") << 3 << 1 << 0 << 1;
    QTest::newRow("beyond a short list") << 3 << 1 << 5 << 0;
}

void TestFrmViewAlbum::click()
{
    QFETCH(int, count);
    QFETCH(int, value);
    QFETCH(int, cell);
    QFETCH(int, position);
    Album a(count);
    a.open();
    a.window->VScroll1->setValue(value);
    QTest::mouseClick(a.window->Image1[cell], Qt::LeftButton);
    if (position == 0) {
        QVERIFY(a.owner.opened.isEmpty());
        QCOMPARE(a.owner.closes, 0);
        return;
    }
    QCOMPARE(a.owner.closes, 1);
    QCOMPARE(a.owner.opened, QStringList{name(position) + " owner 2"});
    QCOMPARE(a.owner.fn, a.state.WorkDir + QLatin1Char('/') + name(position));
    QCOMPARE(a.state.ListPos, position);
    QCOMPARE(a.owner.number, position);
    QCOMPARE(a.no->List1->currentRow(), position - 1);
}

void TestFrmViewAlbum::closing_data()
{
    QTest::addColumn<bool>("byEsc");
    QTest::addColumn<bool>("withNo");
    QTest::newRow("Esc") << true << true;
    QTest::newRow("close box, list window closed meanwhile") << false << false;
}

void TestFrmViewAlbum::closing()
{
    QFETCH(bool, byEsc);
    QFETCH(bool, withNo);
    Album a(12);
    a.open(withNo);
    a.state.PicOwner = 2;
    if (withNo)
        a.no->List1->clearFocus();
    if (byEsc)
        QTest::keyClick(a.window->VScroll1, Qt::Key_Escape);
    else
        a.window->close();
    QTRY_VERIFY(!a.window); // deleted once closed
    QCOMPARE(a.state.PicOwner, qint16(0));
    if (withNo)
        QTRY_COMPARE(QApplication::focusWidget(), a.no->List1);
}

void TestFrmViewAlbum::thirtyThousand()
{
    // Scrolling to the end of 30 000 entries fills the last ten cells and nothing between.
    Album a(30000, {}, {}, false);
    a.open(false);
    const int atLoad = a.window->decodes();
    QCOMPARE(atLoad, 10);
    a.window->VScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(a.window->VScroll1->value(), 29991);
    QCOMPARE(a.window->decodes(), atLoad + 10);
    QCOMPARE(a.state.ListPos, 29991);
    QCOMPARE(a.window->Image1[9]->toolTip(), name(30000));
}

QTEST_MAIN(TestFrmViewAlbum)
#include "tst_frmviewalbum.moc"
