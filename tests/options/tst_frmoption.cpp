#include "options/frmoption.h"

#include "common/scripteddialogs.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

const QDate kToday(2026, 12, 7);

class RecordingHost : public RecollectionHost
{
public:
    QStringList events;
    void setNavigationEnabled(bool enabled) override
    {
        events << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
    }
    void setCounters(int pos, int count) override
    {
        events << QStringLiteral("counters %1 %2").arg(pos).arg(count);
    }
};

struct Dialog
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    RecordingHost host;
    std::unique_ptr<FrmOption> form;

    explicit Dialog(const QStringList &assignments = {})
    {
        settings.applyDefaults(QStringLiteral("/buffer"));
        for (const QString &pair : assignments) {
            const int eq = int(pair.indexOf(QLatin1Char('=')));
            settings.setText(pair.left(eq).toInt(), pair.mid(eq + 1));
        }
    }
    void open()
    {
        form = std::make_unique<FrmOption>(state, settings, dialogs, host, ExtTable::standard(),
                                           [] { return kToday; });
        form->Form_Load();
        form->show();
    }
    QCheckBox *check(int i) const
    {
        return form->findChild<QCheckBox *>(QStringLiteral("Check%1").arg(i));
    }
    // "1" for each ticked box, Check1..Check10.
    QString ticks() const
    {
        QString s;
        for (int i = 1; i <= 10; ++i)
            s += check(i)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    // "1" for each enabled control of the conditions.
    QString enabled() const
    {
        QString s;
        for (QWidget *w : std::initializer_list<QWidget *>{
                     form->Check3, form->Check4, form->Check5, form->Check7, form->Text1,
                     form->Text2, form->Text3, form->Label1, form->Label2, form->Label3,
                     form->Label4, form->Label5})
            s += w->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
};

} // namespace

class TestFrmOption : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
    void rules();
    void failedConfirmChangesNothing_data();
    void failedConfirmChangesNothing();
    void discardKeepsOnlyTheLoadChanges_data();
    void discardKeepsOnlyTheLoadChanges();
    void updateStores();
    void reloadCollectsAgain();
};

void TestFrmOption::load_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("enabled"); // Check3 4 5 7, Text1 2 3, Label1 2 3 4 5
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("filterDate");

    const QString today = QStringLiteral("2026/12/07");
    QTest::newRow("first run") << QStringList() << "0100000000"
                               << "000000000001"
                               << "0"
                               << "0" << today;
    QTest::newRow("no conditions set, sizes on")
            << QStringList{"10=True", "11=True", "12=900", "13=True"} << "0111000000"
            << "000000000001"
            << "900"
            << "0" << today;
    QTest::newRow("minimum on, read by its leading part")
            << QStringList{"10=False", "11=True", "12= 1 000kb", "14=abc", "19=2000/01/01"}
            << "0010000000"
            << "111110111001"
            << "1000"
            << "0"
            << "2000/01/01";
    QTest::newRow("huge and negative sizes")
            << QStringList{"10=False",
                           "11=True",
                           "12=1e400",
                           "13=True",
                           "14=" + QString(10000, QLatin1Char('9')),
                           "19=x"}
            << "0011000000"
            << "111111111111"
            << "1.7976931348623157e+308"
            << "1.7976931348623157e+308"
            << "x";
    QTest::newRow("full-width and negative")
            << QStringList{"10=False", "12=１２３", "14=-5"} << "0000000000"
            << "111100100001"
            << "123"
            << "-5" << today;
    QTest::newRow("today only replaces the date")
            << QStringList{"10=False", "16=True", "19=1999/09/09"} << "0000100000"
            << "111100100001"
            << "0"
            << "0" << today;
    QTest::newRow("both date boxes: the later one wins")
            << QStringList{"10=False", "16=True", "18=True", "19=1999/09/09"} << "0000001000"
            << "111100100001"
            << "0"
            << "0" << today;
    QTest::newRow("switches") << QStringList{"9=True", "17=True", "22=True", "25=True", "26=True"}
                              << "1100010111"
                              << "000000000001"
                              << "0"
                              << "0" << today;
    QTest::newRow("file texts") << QStringList{"10=False", "9=False", "25=true", "19=abcd/ef/gh"}
                                << "0000000000"
                                << "111100100001"
                                << "0"
                                << "0"
                                << "abcd/ef/gh";
}

void TestFrmOption::load()
{
    QFETCH(QStringList, assignments);
    QFETCH(QString, ticks);
    QFETCH(QString, enabled);
    QFETCH(QString, text1);
    QFETCH(QString, text2);
    QFETCH(QString, filterDate);
    Dialog d(assignments);
    d.settings.setFlag(OptionsReserved15, true);
    d.open();
    QCOMPARE(d.ticks(), ticks);
    QCOMPARE(d.enabled(), enabled);
    QCOMPARE(d.form->Text1->text(), text1);
    QCOMPARE(d.form->Text2->text(), text2);
    QCOMPARE(d.settings.text(FilterDate), filterDate);
    QCOMPARE(d.form->Text3->text(), filterDate);
    QCOMPARE(d.settings.at(OptionsReserved15), SettingValue::flag(false));
}

void TestFrmOption::rules()
{
    Dialog d({"10=False", "11=True", "19=2000/01/01"});
    d.open();
    // No conditions: everything below is disabled, and nothing changes its state.
    d.check(2)->setChecked(true);
    QCOMPARE(d.enabled(), QStringLiteral("000000000001"));
    QCOMPARE(d.ticks(), QStringLiteral("0110000000"));
    d.check(2)->setChecked(false);
    QCOMPARE(d.enabled(), QStringLiteral("111110111001"));

    d.check(4)->setChecked(true);
    QCOMPARE(d.enabled(), QStringLiteral("111111111111"));
    d.check(3)->setChecked(false);
    QCOMPARE(d.enabled(), QStringLiteral("111101100111"));

    // The two date boxes: the one ticked last wins; today only puts today into the date.
    d.check(7)->setChecked(true);
    QCOMPARE(d.form->Text3->text(), QStringLiteral("2000/01/01"));
    d.check(5)->setChecked(true);
    QVERIFY(!d.check(7)->isChecked());
    QCOMPARE(d.form->Text3->text(), QStringLiteral("2026/12/07"));
    QCOMPARE(d.settings.text(FilterDate), QStringLiteral("2026/12/07"));
    d.form->Text3->setText(QStringLiteral("2001/02/03"));
    d.check(7)->setChecked(true);
    QVERIFY(!d.check(5)->isChecked());
    QCOMPARE(d.form->Text3->text(), QStringLiteral("2001/02/03"));
    d.check(7)->setChecked(false);
    QCOMPARE(d.ticks(), QStringLiteral("0001000000"));
}

void TestFrmOption::failedConfirmChangesNothing_data()
{
    QTest::addColumn<bool>("reload");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("message");
    const QString size = QString::fromUtf8(kMsgReviewSizes);
    const QString date = QString::fromUtf8(kMsgCheckDate);
    QTest::newRow("update, sizes") << false << "900"
                                   << "100"
                                   << "2000/01/01" << size;
    QTest::newRow("reload, sizes") << true << "900"
                                   << "100"
                                   << "2000/01/01" << size;
    QTest::newRow("sizes before date") << false << "900"
                                       << "100"
                                       << "" << size;
    QTest::newRow("date emptied") << false << "1"
                                  << "2"
                                  << "" << date;
    QTest::newRow("one-digit month") << true << "1"
                                     << "2"
                                     << "2000/1/1" << date;
}

void TestFrmOption::failedConfirmChangesNothing()
{
    QFETCH(bool, reload);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, date);
    QFETCH(QString, message);
    Dialog d({"10=False", "19=2026/01/01"});
    d.open();
    const Settings before = d.settings;
    d.check(3)->setChecked(true);
    d.check(4)->setChecked(true);
    d.check(6)->setChecked(true);
    d.form->Text1->setText(min);
    d.form->Text2->setText(max);
    d.form->Text3->setText(date);
    if (reload)
        d.form->CmdOk->click();
    else
        d.form->CmdCancel->click();
    QCOMPARE(d.dialogs.messages.size(), 1);
    QCOMPARE(d.dialogs.messages.first().text, message);
    QCOMPARE(d.dialogs.messages.first().icon, MsgIcon::Critical);
    for (int slot = 1; slot <= Settings::kSlots; ++slot)
        QCOMPARE(d.settings.at(slot), before.at(slot));
    QVERIFY(d.form->isVisible()); // the dialog stays, as it was
    QCOMPARE(d.form->Text1->text(), min);
    QVERIFY(d.check(6)->isChecked());
    QVERIFY(d.host.events.isEmpty());
    QCOMPARE(d.form->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmOption::discardKeepsOnlyTheLoadChanges_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("無効") << false;
    QTest::newRow("Esc in a text field") << true;
}

void TestFrmOption::discardKeepsOnlyTheLoadChanges()
{
    QFETCH(bool, escape);
    Dialog d({"10=False"});
    d.open();
    d.check(1)->setChecked(true);
    d.check(5)->setChecked(true); // puts today into the date at once
    d.form->Text1->setText(QStringLiteral("5"));
    if (escape)
        QTest::keyClick(d.form->Text1, Qt::Key_Escape);
    else
        d.form->CmdEsc->click();
    QVERIFY(!d.form->isVisible());
    QCOMPARE(d.form->result(), int(QDialog::Rejected));
    QCOMPARE(d.settings.text(FilterDate), QStringLiteral("2026/12/07"));
    QCOMPARE(d.settings.text(OptionsReserved15), QStringLiteral("False"));
    QCOMPARE(d.settings.text(NoCollectAtStart), QString());
    QCOMPARE(d.settings.text(TodayOnly), QString());
    QCOMPARE(d.settings.text(MinSize), QString());
    QVERIFY(d.dialogs.messages.isEmpty());
}

void TestFrmOption::updateStores()
{
    Dialog d;
    d.open();
    d.check(2)->setChecked(false);
    d.check(3)->setChecked(true);
    d.check(8)->setChecked(true);
    d.form->Text1->setText(QStringLiteral(" 12abc"));
    QTest::keyClick(d.form->Text1, Qt::Key_Return); // presses no button
    QVERIFY(d.form->isVisible());
    d.form->CmdCancel->click();
    QVERIFY(!d.form->isVisible());
    QCOMPARE(d.form->result(), int(QDialog::Accepted));
    QCOMPARE(d.settings.at(NoConditions), SettingValue::flag(false));
    QCOMPARE(d.settings.at(MinSizeOn), SettingValue::flag(true));
    QCOMPARE(d.settings.at(UseNetscape), SettingValue::flag(true));
    QCOMPARE(d.settings.at(MaxSizeOn), SettingValue::flag(false));
    QCOMPARE(d.settings.text(MinSize), QStringLiteral(" 12abc")); // stored as typed
    QCOMPARE(d.settings.text(FilterDate), QStringLiteral("2026/12/07"));
    QVERIFY(d.host.events.isEmpty()); // no collection
}

void TestFrmOption::reloadCollectsAgain()
{
    QTemporaryDir dir;
    Dialog d;
    d.state.WorkDir = dir.path();
    d.state.ListPos = 3;
    for (const auto &[name, size] : {std::pair{"small.jpg", 100}, std::pair{"large.jpg", 2000}}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
        f.flush();
        QVERIFY(f.setFileTime(QDateTime(kToday, QTime(1, 0)), QFileDevice::FileModificationTime));
    }
    d.open();
    d.check(2)->setChecked(false);
    d.check(3)->setChecked(true);
    d.form->Text1->setText(QStringLiteral("１００"));
    d.form->CmdOk->click();
    QCOMPARE(d.form->result(), int(QDialog::Accepted));
    QCOMPARE(d.state.ListFile.mid(1, d.state.ListCount), QStringList{"large.jpg"});
    QCOMPARE(d.state.ListPos, 0);
    QCOMPARE(d.host.events, QStringList({"enable", "counters 0 1"}));
    QCOMPARE(d.form->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(TestFrmOption)
#include "tst_frmoption.moc"
