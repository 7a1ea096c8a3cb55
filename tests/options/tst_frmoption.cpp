#include "options/frmoption.h"

#include "common/scripteddialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace velt;

namespace {

class NoHost : public RecollectionHost
{
public:
    int calls = 0;
    void setNavigationEnabled(bool) override { ++calls; }
    void setCounters(int, int) override { ++calls; }
};

// An options dialog opened over "slot=value" settings, with today fixed at 2026/12/07.
struct Dialog
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    NoHost host;
    std::unique_ptr<FrmOption> form;

    explicit Dialog(const QStringList &assignments)
    {
        settings.applyDefaults(QStringLiteral("/buffer"));
        settings.setFlag(OptionsReserved15, true);
        for (const QString &pair : assignments)
            settings.setText(pair.section(QLatin1Char('='), 0, 0).toInt(),
                             pair.section(QLatin1Char('='), 1));
        form = std::make_unique<FrmOption>(state, settings, dialogs, host, ExtTable::standard(),
                                           [] { return QDate(2026, 12, 7); });
        form->Form_Load();
        form->show();
    }
    QCheckBox *check(int i) const
    {
        return form->findChild<QCheckBox *>(QStringLiteral("Check%1").arg(i));
    }
    // Check1..Check10, "1" when ticked.
    QString ticks() const
    {
        QString s;
        for (int i = 1; i <= 10; ++i)
            s += QLatin1Char(check(i)->isChecked() ? '1' : '0');
        return s;
    }
    // Check3 4 5 7, Text1 2 3, Label1 2 3 4 5, "1" when enabled.
    QString enabled() const
    {
        QString s;
        const FrmOption &f = *form;
        for (QWidget *w : std::initializer_list<QWidget *>{f.Check3, f.Check4, f.Check5, f.Check7,
                                                           f.Text1, f.Text2, f.Text3, f.Label1,
                                                           f.Label2, f.Label3, f.Label4, f.Label5})
            s += QLatin1Char(w->isEnabled() ? '1' : '0');
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
    void discard_data();
    void discard();
    void updateStoresAsShown();
};

void TestFrmOption::load_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("filterDate");
    const QString today = QStringLiteral("2026/12/07");
    const QString huge = QStringLiteral("1.7976931348623157e+308");
    // clang-format off
    QTest::newRow("first run") << QStringList() << "0100000000" << "000000000001" << "0" << "0" << today;
    QTest::newRow("no conditions, sizes on") << QStringList{"10=True", "11=True", "12=900", "13=True"}
        << "0111000000" << "000000000001" << "900" << "0" << today;
    QTest::newRow("min on, leading parts") << QStringList{"10=False", "11=True", "12= 1 000kb", "14=abc", "19=abcd/ef/gh"}
        << "0010000000" << "111110111001" << "1000" << "0" << "abcd/ef/gh";
    QTest::newRow("huge, full-width, negative") << QStringList{"10=False", "11=True", "12=1e400", "13=True", "14=" + QString(10000, QLatin1Char('9')), "19=x"}
        << "0011000000" << "111111111111" << huge << huge << "x";
    QTest::newRow("more") << QStringList{"10=False", "12=１２３", "14=-5"}
        << "0000000000" << "111100100001" << "123" << "-5" << today;
    QTest::newRow("today only replaces the date") << QStringList{"10=False", "16=True", "19=1999/09/09"}
        << "0000100000" << "111100100001" << "0" << "0" << today;
    QTest::newRow("both date boxes: the later wins") << QStringList{"10=False", "16=True", "18=True", "19=1999/09/09"}
        << "0000001000" << "111100100001" << "0" << "0" << today;
    QTest::newRow("switches") << QStringList{"9=True", "17=True", "22=True", "25=True", "26=true"}
        << "1100010110" << "000000000001" << "0" << "0" << today;
    // clang-format on
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
    // No conditions disables everything below it and changes no box.
    d.check(2)->setChecked(true);
    QCOMPARE(d.enabled(), QStringLiteral("000000000001"));
    QCOMPARE(d.ticks(), QStringLiteral("0110000000"));
    d.check(2)->setChecked(false);
    QCOMPARE(d.enabled(), QStringLiteral("111110111001"));
    d.check(4)->setChecked(true);
    d.check(3)->setChecked(false);
    QCOMPARE(d.enabled(), QStringLiteral("111101100111"));
    // The date box ticked last wins; today only puts today into the date at once.
    d.check(7)->setChecked(true);
    d.check(5)->setChecked(true);
    QVERIFY(!d.check(7)->isChecked());
    QCOMPARE(d.form->Text3->text(), QStringLiteral("2026/12/07"));
    QCOMPARE(d.settings.text(FilterDate), QStringLiteral("2026/12/07"));
    d.form->Text3->setText(QStringLiteral("2001/02/03"));
    d.check(7)->setChecked(true);
    QCOMPARE(d.ticks(), QStringLiteral("0001001000"));
    QCOMPARE(d.form->Text3->text(), QStringLiteral("2001/02/03"));
}

void TestFrmOption::failedConfirmChangesNothing_data()
{
    QTest::addColumn<bool>("reload");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("message");
    const QString size = QString::fromUtf8(kMsgReviewSizes);
    QTest::newRow("update, sizes") << false << "2000/01/01"
                                   << "100" << size;
    QTest::newRow("reload, sizes before date") << true << ""
                                               << "100" << size;
    QTest::newRow("reload, date emptied") << true << ""
                                          << "1000" << QString::fromUtf8(kMsgCheckDate);
}

void TestFrmOption::failedConfirmChangesNothing()
{
    QFETCH(bool, reload);
    QFETCH(QString, date);
    QFETCH(QString, max);
    QFETCH(QString, message);
    Dialog d({"10=False", "19=2026/01/01"});
    const Settings before = d.settings;
    d.check(3)->setChecked(true);
    d.check(4)->setChecked(true);
    d.form->Text1->setText(QStringLiteral("900"));
    d.form->Text2->setText(max);
    d.form->Text3->setText(date);
    (reload ? d.form->CmdOk : d.form->CmdCancel)->click();
    QCOMPARE(d.dialogs.messages.size(), 1);
    QCOMPARE(d.dialogs.messages.first().text, message);
    QCOMPARE(d.dialogs.messages.first().icon, MsgIcon::Critical);
    for (int slot = 1; slot <= Settings::kSlots; ++slot)
        QCOMPARE(d.settings.at(slot), before.at(slot));
    QVERIFY(d.form->isVisible()); // the dialog stays as it was
    QVERIFY(d.check(4)->isChecked());
    QCOMPARE(d.host.calls, 0);
    QCOMPARE(d.form->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmOption::discard_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("無効") << false;
    QTest::newRow("Esc in a text field") << true;
}

void TestFrmOption::discard()
{
    QFETCH(bool, escape);
    Dialog d({"10=False"});
    d.check(1)->setChecked(true);
    d.check(5)->setChecked(true); // puts today into the date at once
    d.form->Text1->setText(QStringLiteral("5"));
    if (escape)
        QTest::keyClick(d.form->Text1, Qt::Key_Escape);
    else
        d.form->CmdEsc->click();
    QVERIFY(!d.form->isVisible());
    QCOMPARE(d.settings.text(FilterDate), QStringLiteral("2026/12/07"));
    QCOMPARE(d.settings.text(OptionsReserved15), QStringLiteral("False"));
    for (int slot : {NoCollectAtStart, TodayOnly, MinSize})
        QCOMPARE(d.settings.text(slot), QString());
}

void TestFrmOption::updateStoresAsShown()
{
    Dialog d({"11=True"}); // a disabled box keeps and stores its state
    d.check(8)->setChecked(true);
    d.form->Text1->setText(QStringLiteral(" 12abc"));
    QTest::keyClick(d.form->Text1, Qt::Key_Return); // presses no button
    QVERIFY(d.form->isVisible());
    d.form->CmdCancel->click();
    QCOMPARE(d.form->result(), int(QDialog::Accepted));
    QCOMPARE(d.settings.at(NoConditions), SettingValue::flag(true));
    QCOMPARE(d.settings.at(MinSizeOn), SettingValue::flag(true));
    QCOMPARE(d.settings.at(UseNetscape), SettingValue::flag(true));
    QCOMPARE(d.settings.at(MaxSizeOn), SettingValue::flag(false));
    QCOMPARE(d.settings.text(MinSize), QStringLiteral(" 12abc"));
    QCOMPARE(d.host.calls, 0); // no collection
}

QTEST_MAIN(TestFrmOption)
#include "tst_frmoption.moc"
