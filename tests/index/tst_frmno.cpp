#include "index/frmno.h"

#include "cache/collection.h"

#include "index/gifpage.h"
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
    void closePictureWindow() override { events << QStringLiteral("close"); }
    void openPictureWindow() override
    {
        events << QStringLiteral("open %1 %2")
                          .arg(fn.section(QLatin1Char('/'), -1))
                          .arg(m_state.PicOwner);
    }
    void setDisplayMode(qint16 mode) override { displayMode = mode; }
    void setPictureNumber(int listPos) override { number = listPos; }
    const ExtTable &extTable() const override { return ExtTable::standard(); }
    QDate today() const override { return kToday; }
    void setNavigationEnabled(bool enabled) override
    {
        events << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
    }
    void setCounters(int pos, int count) override
    {
        events << QStringLiteral("counters %1 %2").arg(pos).arg(count);
    }

private:
    MdlVELT &m_state;
};

struct Window
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    FakeOwner owner{state};
    std::unique_ptr<FrmNo> form;

    // Entries named as given, each line the name padded as the collection pads it.
    explicit Window(const QStringList &names = {"1.jpg", "apple.jpg", "b.jpg", "c.bmp", "clip.mpg"})
    {
        settings.applyDefaults(QString());
        state.WorkDir = QStringLiteral("/work");
        for (const QString &name : names) {
            const int k = ++state.ListCount;
            state.reserveList(k);
            state.ListFile[k] = name;
            state.ListLine[k] = displayLine(name, QDateTime(kToday, QTime(1, 2, 3)));
        }
    }
    void open()
    {
        form = std::make_unique<FrmNo>(state, settings, dialogs, owner);
        form->Form_Load();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
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
    void number_data();
    void number();
    void typeAheadKeys();
    void emptyList();
    void selectedLineInView();
    void escapeCloses();
    void optionsRefill();
    void hooks();
    void gifButton();
};

void TestFrmNo::fill_data()
{
    QTest::addColumn<int>("listPos");
    QTest::addColumn<int>("row");
    QTest::newRow("nothing shown yet") << 0 << 0;
    QTest::newRow("entry 4") << 4 << 3;
    QTest::newRow("beyond a shrunk list") << 9 << 4;
}

void TestFrmNo::fill()
{
    QFETCH(int, listPos);
    QFETCH(int, row);
    Window w;
    w.state.ListPos = listPos;
    w.open();
    QCOMPARE(w.form->List1->count(), 5);
    QCOMPARE(w.form->List1->item(1)->text(), w.state.ListLine[2]);
    QCOMPARE(w.form->List1->currentRow(), row);
    QCOMPARE(w.state.ListPos, row + 1);
    QCOMPARE(w.owner.number, row + 1);
    QVERIFY(w.owner.events.isEmpty());
}

void TestFrmNo::selectionMovesListPos()
{
    Window w;
    w.open();
    w.form->List1->setFocus();
    QTest::keyClick(w.form->List1, Qt::Key_Down);
    QTest::keyClick(w.form->List1, Qt::Key_Down);
    QCOMPARE(w.state.ListPos, 3);
    QCOMPARE(w.owner.number, 3);
    QTest::keyClick(w.form->List1, Qt::Key_End);
    QCOMPARE(w.state.ListPos, 5);
    const QRect second = w.form->List1->visualItemRect(w.form->List1->item(1));
    QTest::mouseClick(w.form->List1->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(w.state.ListPos, 2);
    // From outside: the thumbnail window and the main window's paging.
    w.form->selectPosition(4);
    QCOMPARE(w.state.ListPos, 4);
    QCOMPARE(w.form->List1->currentRow(), 3);
    QCOMPARE(w.owner.number, 4);
    QVERIFY(w.owner.events.isEmpty()); // selecting shows nothing
}

void TestFrmNo::showByLine_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("double-click") << "double-click" << 2 << QStringList{"close", "open b.jpg 1"};
    QTest::newRow("Enter") << "Enter" << 2 << QStringList{"close", "open b.jpg 1"};
    QTest::newRow("Enter on a button")
            << "Enter on CmdGif" << 3 << QStringList{"close", "open c.bmp 1"};
    QTest::newRow("not a picture") << "Enter" << 4 << QStringList{"close"};
}

void TestFrmNo::showByLine()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(QStringList, events);
    Window w;
    w.open();
    w.form->List1->setCurrentRow(row);
    if (how == QLatin1String("double-click")) {
        const QPoint at = w.form->List1->visualItemRect(w.form->List1->item(row)).center();
        QTest::mouseClick(w.form->List1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.form->List1->viewport(), Qt::LeftButton, {}, at);
    } else if (how == QLatin1String("Enter")) {
        QTest::keyClick(w.form->List1, Qt::Key_Return);
    } else {
        QTest::keyClick(w.form->CmdGif, Qt::Key_Enter);
    }
    QCOMPARE(w.owner.events, events);
    QCOMPARE(w.state.ListPos, row + 1);
    QCOMPARE(w.owner.fn, QStringLiteral("/work/") + w.state.ListFile[row + 1]);
    const bool shown = events.size() == 2;
    QCOMPARE(w.state.PicOwner, qint16(shown ? 1 : 0));
    QCOMPARE(w.owner.displayMode, qint16(shown ? 2 : 0));
    QVERIFY(w.dialogs.messages.isEmpty()); // Enter on CmdGif did not press it
}

void TestFrmNo::number_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("listPos");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("error");
    const QStringList none;
    QTest::newRow("3") << std::optional<QString>("3") << 3 << QStringList{"close", "open b.jpg 1"}
                       << false;
    QTest::newRow("2.5 to even") << std::optional<QString>("2.5") << 2
                                 << QStringList{"close", "open apple.jpg 1"} << false;
    QTest::newRow("3.5 to even") << std::optional<QString>("3.5") << 4
                                 << QStringList{"close", "open c.bmp 1"} << false;
    QTest::newRow("full-width") << std::optional<QString>("１") << 1
                                << QStringList{"close", "open 1.jpg 1"} << false;
    QTest::newRow("a movie's number")
            << std::optional<QString>("5") << 5 << QStringList{"close"} << false;
    QTest::newRow("6 of 5") << std::optional<QString>("6") << 2 << none << true;
    QTest::newRow("0") << std::optional<QString>("0") << 2 << none << true;
    QTest::newRow("no number") << std::optional<QString>("abc") << 2 << none << true;
    QTest::newRow("1e400") << std::optional<QString>("1e400") << 2 << none << true;
    QTest::newRow("empty") << std::optional<QString>("") << 2 << none << false;
    QTest::newRow("cancel") << std::optional<QString>() << 2 << none << false;
}

void TestFrmNo::number()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, listPos);
    QFETCH(QStringList, events);
    QFETCH(bool, error);
    Window w;
    w.open();
    w.form->List1->setCurrentRow(1);
    w.dialogs.inputs.enqueue(answer);
    w.form->CmdNo->click();
    QCOMPARE(w.dialogs.inputPrompts, QStringList{QString::fromUtf8(kPromptPictureNumber)});
    QCOMPARE(w.dialogs.inputTitles, QStringList{"VELT"});
    QCOMPARE(w.dialogs.inputDefaults, QStringList{"1"});
    QCOMPARE(w.owner.events, events);
    QCOMPARE(w.state.ListPos, listPos);
    QCOMPARE(w.form->List1->currentRow(), listPos - 1);
    QCOMPARE(w.owner.number, listPos);
    QCOMPARE(w.owner.displayMode, qint16(events.size() == 2 ? 2 : 0));
    QCOMPARE(w.dialogs.messages.size(), error ? 1 : 0);
    if (error) {
        QCOMPARE(w.dialogs.messages.first().text, QString::fromUtf8(kMsgNoSuchPicture));
        QCOMPARE(w.dialogs.messages.first().icon, MsgIcon::Critical);
    }
}

void TestFrmNo::typeAheadKeys()
{
    Window w({"1.jpg", "apple.jpg", "Avocado.jpg", "b.jpg", "c.jpg"});
    w.open();
    w.form->List1->setFocus();
    QTest::keyClick(w.form->List1, Qt::Key_C, Qt::NoModifier);
    QCOMPARE(w.state.ListPos, 5);
    QTest::keyClick(w.form->List1, Qt::Key_A, Qt::ShiftModifier);
    QCOMPARE(w.state.ListPos, 2);
    QTest::keyClick(w.form->List1, Qt::Key_A);
    QCOMPARE(w.state.ListPos, 3);
    QTest::keyClick(w.form->List1, Qt::Key_Z); // nothing begins with it
    QCOMPARE(w.state.ListPos, 3);
    QCOMPARE(w.owner.number, 3);
    QVERIFY(w.owner.events.isEmpty());
}

void TestFrmNo::emptyList()
{
    Window w(QStringList{});
    w.open();
    QCOMPARE(w.form->List1->count(), 0);
    QCOMPARE(w.state.ListPos, 0);
    QTest::keyClick(w.form->List1, Qt::Key_Return);
    QVERIFY(w.owner.events.isEmpty());
    w.dialogs.inputs.enqueue(QStringLiteral("1"));
    w.form->CmdNo->click();
    QCOMPARE(w.dialogs.messages.size(), 1);
    QCOMPARE(w.state.ListPos, 0);
}

void TestFrmNo::selectedLineInView()
{
    QStringList names;
    for (int i = 1; i <= 30000; ++i)
        names << QStringLiteral("p%1.jpg").arg(i);
    Window w(names);
    w.state.ListPos = 20000;
    w.open();
    QListWidget *list = w.form->List1;
    QTRY_VERIFY(list->viewport()->rect().contains(list->visualItemRect(list->item(19999))));
}

void TestFrmNo::escapeCloses()
{
    Window w;
    w.open();
    w.state.PicOwner = 1;
    QTest::keyClick(w.form->CmdNo, Qt::Key_Escape);
    QVERIFY(!w.form->isVisible());
    QCOMPARE(w.state.PicOwner, qint16(0));
}

void TestFrmNo::optionsRefill()
{
    // WorkDir holds what the list names; the options narrow it to the large pictures.
    QTemporaryDir dir;
    Window w(QStringList{});
    w.state.WorkDir = dir.path();
    for (int i = 1; i <= 9; ++i) {
        QFile f(dir.filePath(QStringLiteral("p%1.jpg").arg(i)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(i * 100, 'x'));
        f.flush();
        QVERIFY(f.setFileTime(QDateTime(kToday, QTime(1, 0)), QFileDevice::FileModificationTime));
    }
    collectWorkDir(w.state, w.settings, ExtTable::standard(), kToday);
    w.state.ListPos = 7;
    w.open();
    QCOMPARE(w.form->List1->currentRow(), 6);

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
    QCOMPARE(w.state.ListCount, 2);
    QCOMPARE(w.form->List1->count(), 2);
    QCOMPARE(w.form->List1->item(0)->text(), w.state.ListLine[1]);
    QCOMPARE(w.form->List1->currentRow(), 0);
    QCOMPARE(w.state.ListPos, 1);
    QCOMPARE(w.owner.events, QStringList({"enable", "counters 0 2"}));
    QCOMPARE(w.owner.number, 1);
    QCOMPARE(w.form->focusWidget(), w.form->List1);
}

void TestFrmNo::hooks()
{
    Window w;
    w.open();
    QVERIFY(!w.form->CmdView->isEnabled());
    int opened = 0;
    w.form->setThumbnailOpener([&] { ++opened; });
    QVERIFY(w.form->CmdView->isEnabled());
    w.form->CmdView->click();
    QCOMPARE(opened, 1);
    w.form->CmdNo->setFocus();
    w.form->focusList();
    QCOMPARE(QApplication::focusWidget(), w.form->List1);
}

void TestFrmNo::gifButton()
{
    Window w;
    w.open();
    w.form->CmdGif->click();
    QCOMPARE(w.dialogs.messages.size(), 1);
    QCOMPARE(w.dialogs.messages.first().text, QString::fromUtf8(kMsgNoGif));
}

QTEST_MAIN(TestFrmNo)
#include "tst_frmno.moc"
