#include "index/frmno.h"

#include "cache/collection.h"
#include "index/nolist.h"
#include "options/frmoption.h"

#include "common/scripteddialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace velt;

namespace {

const QDate kToday(2026, 12, 7);

// The main window as the image-number window sees it; records what is asked of it.
class FakeOwner : public NoOwner
{
public:
    explicit FakeOwner(MdlVELT &state) : m_state(state) { }
    QStringList events;
    QString fn;
    qint16 displayMode = 0;
    int number = -1;

    void setFn(const QString &path) override { fn = path; }
    void closePictureWindow() override { events << "close"; }
    void openPictureWindow() override
    {
        events << fn.section(QLatin1Char('/'), -1) + " owner " + QString::number(m_state.PicOwner);
    }
    void setDisplayMode(qint16 mode) override { displayMode = mode; }
    void setPictureNumber(int listPos) override { number = listPos; }
    const ExtTable &extTable() const override { return ExtTable::standard(); }
    QDate today() const override { return kToday; }
    void setNavigationEnabled(bool on) override { events << (on ? "enable" : "disable"); }
    void setCounters(int pos, int count) override
    {
        events << QStringLiteral("counters %1 %2").arg(pos).arg(count);
    }

private:
    MdlVELT &m_state;
};

// An image-number window over entries named as given.
struct Window
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    FakeOwner owner{state};
    std::unique_ptr<FrmNo> form;

    explicit Window(const QStringList &names = {"1.jpg", "apple.jpg", "b.jpg", "c.bmp", "clip.mpg"},
                    int listPos = 0)
    {
        settings.applyDefaults(QString());
        state.WorkDir = QStringLiteral("/work");
        state.ListPos = listPos;
        for (const QString &name : names) {
            const int k = ++state.ListCount;
            state.reserveList(k);
            state.ListFile[k] = name;
            state.ListLine[k] = displayLine(name, QDateTime(kToday, QTime(1, 2, 3)));
        }
        form = std::make_unique<FrmNo>(state, settings, dialogs, owner);
        form->Form_Load();
        form->show();
    }
    QListWidget *list() const { return form->List1; }
};

} // namespace

class TestFrmNo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fill_data();
    void fill();
    void selectionMovesListPos();
    void showByLine_data();
    void showByLine();
    void namesThatShowAlike();
    void number_data();
    void number();
    void selectedLineInView();
    void optionsRefill();
};

void TestFrmNo::fill_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("listPos");
    QTest::addColumn<int>("row");
    QTest::newRow("nothing shown yet") << 5 << 0 << 0;
    QTest::newRow("entry 4") << 5 << 4 << 3;
    QTest::newRow("beyond a shrunk list") << 5 << 9 << 4;
    QTest::newRow("empty list") << 0 << 0 << -1;
}

void TestFrmNo::fill()
{
    QFETCH(int, entries);
    QFETCH(int, listPos);
    QFETCH(int, row);
    Window w(QStringList{"1.jpg", "apple.jpg", "b.jpg", "c.bmp", "clip.mpg"}.mid(0, entries),
             listPos);
    QCOMPARE(w.list()->count(), entries);
    QCOMPARE(w.list()->currentRow(), row);
    QCOMPARE(w.state.ListPos, row + 1);
    QCOMPARE(w.owner.number, entries ? row + 1 : -1);
    if (entries)
        QCOMPARE(w.list()->item(1)->text(), w.state.ListLine[2]);
    // Enter shows nothing on an empty list.
    QTest::keyClick(w.list(), Qt::Key_Return);
    QCOMPARE(w.owner.events.isEmpty(), entries == 0);
}

void TestFrmNo::selectionMovesListPos()
{
    Window w({"1.jpg", "apple.jpg", "Avocado.jpg", "b.jpg", "c.jpg"});
    QTest::keyClick(w.list(), Qt::Key_Down);
    QTest::keyClick(w.list(), Qt::Key_Down);
    QCOMPARE(w.state.ListPos, 3);
    QCOMPARE(w.owner.number, 3);
    // Type-ahead: the next line beginning with the character, case-blind.
    QTest::keyClick(w.list(), Qt::Key_C);
    QCOMPARE(w.state.ListPos, 5);
    QTest::keyClick(w.list(), Qt::Key_A, Qt::ShiftModifier);
    QCOMPARE(w.state.ListPos, 2);
    const QRect line4 = w.list()->visualItemRect(w.list()->item(3));
    QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {}, line4.center());
    QCOMPARE(w.state.ListPos, 4);
    // From outside: the thumbnail window and the main window's paging.
    w.form->selectPosition(1);
    QCOMPARE(w.state.ListPos, 1);
    QCOMPARE(w.owner.number, 1);
    QVERIFY(w.owner.events.isEmpty()); // selecting shows nothing
}

void TestFrmNo::showByLine_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("double-click") << "double-click" << 2 << QStringList{"close", "b.jpg owner 1"};
    QTest::newRow("Enter") << "Enter" << 2 << QStringList{"close", "b.jpg owner 1"};
    QTest::newRow("Enter on a button") << "button" << 3 << QStringList{"close", "c.bmp owner 1"};
    QTest::newRow("not a picture") << "Enter" << 4 << QStringList{"close"};
}

void TestFrmNo::showByLine()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(QStringList, events);
    Window w;
    w.list()->setCurrentRow(row);
    if (how == QLatin1String("double-click")) {
        const QPoint at = w.list()->visualItemRect(w.list()->item(row)).center();
        QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.list()->viewport(), Qt::LeftButton, {}, at);
    } else {
        QTest::keyClick(how == QLatin1String("Enter") ? (QWidget *)w.list() : w.form->CmdGif,
                        Qt::Key_Return);
    }
    QCOMPARE(w.owner.events, events);
    QCOMPARE(w.state.ListPos, row + 1);
    QCOMPARE(w.owner.fn, "/work/" + w.state.ListFile[row + 1]);
    QCOMPARE(w.owner.displayMode, qint16(events.size() == 2 ? 2 : 0));
    QVERIFY(w.dialogs.messages.isEmpty()); // Enter on CmdGif did not press it
}

void TestFrmNo::namesThatShowAlike()
{
    // Two names that differ only in bytes that are not UTF-8: two lines that show alike, each
    // opening its own file.
    const QString ff = decodeFileName("bad\xFF.jpg");
    const QString fe = decodeFileName("bad\xFE.jpg");
    Window w({ff, fe});
    QCOMPARE(w.list()->count(), 2);
    for (int row = 0; row < 2; ++row)
        QVERIFY(w.list()->item(row)->text().startsWith(QStringLiteral("bad\uFFFD.jpg ")));
    w.list()->setCurrentRow(1);
    QTest::keyClick(w.list(), Qt::Key_Return);
    QCOMPARE(w.owner.fn, QStringLiteral("/work/") + fe);
    w.list()->setCurrentRow(0);
    QTest::keyClick(w.list(), Qt::Key_Return);
    QCOMPARE(w.owner.fn, QStringLiteral("/work/") + ff);
}

void TestFrmNo::number_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("listPos");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("messages");
    QTest::newRow("3.5 to even") << std::optional<QString>("3.5") << 4
                                 << QStringList{"close", "c.bmp owner 1"} << 0;
    QTest::newRow("a movie's number")
            << std::optional<QString>("5") << 5 << QStringList{"close"} << 0;
    QTest::newRow("6 of 5") << std::optional<QString>("6") << 2 << QStringList() << 1;
    QTest::newRow("no number") << std::optional<QString>("abc") << 2 << QStringList() << 1;
    QTest::newRow("cancel") << std::optional<QString>() << 2 << QStringList() << 0;
}

void TestFrmNo::number()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, listPos);
    QFETCH(QStringList, events);
    QFETCH(int, messages);
    Window w({"1.jpg", "apple.jpg", "b.jpg", "c.bmp", "clip.mpg"}, 2);
    w.dialogs.inputs.enqueue(answer);
    w.form->CmdNo->click();
    QCOMPARE(w.dialogs.inputPrompts, QStringList{QString::fromUtf8(kPromptPictureNumber)});
    QCOMPARE(w.dialogs.inputTitles, QStringList{"VELT"});
    QCOMPARE(w.dialogs.inputDefaults, QStringList{"1"});
    QCOMPARE(w.owner.events, events);
    QCOMPARE(w.state.ListPos, listPos);
    QCOMPARE(w.list()->currentRow(), listPos - 1);
    QCOMPARE(w.owner.number, listPos);
    QCOMPARE(w.dialogs.messages.size(), messages);
    if (messages) {
        QCOMPARE(w.dialogs.messages.first().text, QString::fromUtf8(kMsgNoSuchPicture));
        QCOMPARE(w.dialogs.messages.first().icon, MsgIcon::Critical);
    }
}

void TestFrmNo::selectedLineInView()
{
    QStringList names;
    for (int i = 1; i <= kListLimit; ++i)
        names << QStringLiteral("p%1.jpg").arg(i);
    Window w(names, 20000);
    QTRY_VERIFY(
            w.list()->viewport()->rect().contains(w.list()->visualItemRect(w.list()->item(19999))));
}

void TestFrmNo::optionsRefill()
{
    // WorkDir holds p1.jpg (100 bytes) to p9.jpg (900 bytes); the options keep those above 750.
    QTemporaryDir dir;
    for (int i = 1; i <= 9; ++i) {
        QFile f(dir.filePath(QStringLiteral("p%1.jpg").arg(i)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(i * 100, 'x'));
        f.flush();
        QVERIFY(f.setFileTime(QDateTime(kToday, QTime(1, 0)), QFileDevice::FileModificationTime));
    }
    MdlVELT listed;
    listed.WorkDir = dir.path();
    collectWorkDir(listed, Settings(), ExtTable::standard(), kToday);
    Window w(listed.ListFile.mid(1, listed.ListCount), 7);
    w.state.WorkDir = dir.path();
    QCOMPARE(w.list()->currentRow(), 6);

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<FrmOption *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = true;
        dialog->Check2->setChecked(false);
        dialog->Check3->setChecked(true);
        dialog->Text1->setText(QStringLiteral("750"));
        dialog->CmdOk->click();
    });
    w.form->CmdOption->click();
    QVERIFY(seen);
    QCOMPARE(w.owner.events, QStringList({"enable", "counters 0 2"}));
    QCOMPARE(w.list()->count(), 2);
    QCOMPARE(w.list()->item(1)->text(), w.state.ListLine[2]);
    QCOMPARE(w.list()->currentRow(), 0);
    QCOMPARE(w.state.ListPos, 1);
    QCOMPARE(w.owner.number, 1);
    QCOMPARE(w.form->focusWidget(), w.list());
}

QTEST_MAIN(TestFrmNo)
#include "tst_frmno.moc"
