#include "options/frmoption.h"

#include "platform/twips.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace velt {

namespace {

// Hourglass on a window for the length of a scope, restored on every path.
class WaitCursor
{
public:
    explicit WaitCursor(QWidget *w) : m_widget(w) { m_widget->setCursor(Qt::WaitCursor); }
    ~WaitCursor() { release(); }
    void release()
    {
        if (m_widget)
            m_widget->unsetCursor();
        m_widget = nullptr;
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    QPointer<QWidget> m_widget;
};

template<class Control>
Control *named(Control *control, const char *name, const char *tooltip = "")
{
    control->setObjectName(QString::fromLatin1(name));
    control->setToolTip(FrmOption::tr(tooltip));
    return control;
}

QCheckBox *newCheckBox(const char *name, const char *caption, const char *tooltip)
{
    return named(new QCheckBox(FrmOption::tr(caption)), name, tooltip);
}

QLabel *label(const char *name, const char *caption)
{
    return named(new QLabel(FrmOption::tr(caption)), name);
}

QLineEdit *textField(const char *name, const char *tooltip)
{
    auto *field = named(new QLineEdit, name, tooltip);
    field->setMaxLength(32767); // a text box's limit
    return field;
}

void setEnabledAll(std::initializer_list<QWidget *> widgets, bool enabled)
{
    for (QWidget *w : widgets)
        w->setEnabled(enabled);
}

QPushButton *button(const char *name, const char *caption, const char *tooltip)
{
    auto *b = named(new QPushButton(FrmOption::tr(caption)), name, tooltip);
    // Enter in a text field presses nothing: no button of this dialog is a default one.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

FrmOption::FrmOption(MdlVELT &state, Settings &settings, UserDialogs &dialogs,
                     RecollectionHost &host, const ExtTable &ext, std::function<QDate()> today,
                     QWidget *parent)
    : QDialog(parent), m_state(state), m_settings(settings), m_dialogs(dialogs), m_host(host),
      m_ext(ext), m_today(std::move(today))
{
    setObjectName(QStringLiteral("FrmOption"));
    setWindowTitle(tr("取得オプション設定"));
    QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
    uiFont.setPointSizeF(9);
    setFont(uiFont);
    createControls();
}

void FrmOption::createControls()
{
    Frame1 = named(new QGroupBox(tr("起動時の画像の読込条件")), "Frame1");
    Check1 = newCheckBox("Check1", QT_TR_NOOP(" 起動時にキャッシュフォルダーから画像を取得しない"),
                         QT_TR_NOOP("この設定をチェックすると起動時に画像を読み込みません"));
    auto *frame1 = new QVBoxLayout(Frame1);
    frame1->addWidget(Check1);

    Frame2 = named(new QGroupBox(tr("画像読込条件")), "Frame2");
    Check2 = newCheckBox("Check2", QT_TR_NOOP(" 条件なし　（全て読み込む）"),
                         QT_TR_NOOP("キャッシュフォルダー内全てを読み込みます"));
    Check3 = newCheckBox("Check3", QT_TR_NOOP(" 最小値設定以下の画像サイズは読み込まない"),
                         QT_TR_NOOP("最小値設定以下の画像ファイルを取得しないようにします"));
    Label1 = label("Label1", QT_TR_NOOP("最小値"));
    Text1 = textField("Text1", QT_TR_NOOP("画像サイズ最小値をバイト数で設定します"));
    Label2 = label("Label2", QT_TR_NOOP("バイト"));
    Check4 = newCheckBox("Check4", QT_TR_NOOP(" 最大値設定以上の画像サイズは読み込まない"),
                         QT_TR_NOOP("最大値設定以上の画像ファイルを取得しないようにします"));
    Label3 = label("Label3", QT_TR_NOOP("最大値"));
    Text2 = textField("Text2", QT_TR_NOOP("画像サイズ最大値をバイト数で設定します"));
    Label4 = label("Label4", QT_TR_NOOP("バイト"));
    Check5 = newCheckBox("Check5", QT_TR_NOOP(" 今日ダウンロードした日付の中から読み込む"),
                         QT_TR_NOOP("今日ダウンロードした画像だけが取得の対象になります"));
    Check7 = newCheckBox("Check7", QT_TR_NOOP(" 設定した日付しか取得しない"),
                         QT_TR_NOOP("設定した日付のみ取得するようにします"));
    Text3 = textField("Text3", QT_TR_NOOP("取得対象の日付を入力します"));
    Label5 = label("Label5", QT_TR_NOOP("日付の記入例　１９９９年１月１日の場合 1999/01/01"));
    auto *frame2 = new QGridLayout(Frame2);
    const int indent = twipsToPixels(300);
    frame2->setColumnMinimumWidth(0, indent);
    frame2->addWidget(Check2, 0, 0, 1, 4);
    frame2->addWidget(Check3, 1, 0, 1, 4);
    frame2->addWidget(Label1, 2, 1);
    frame2->addWidget(Text1, 2, 2);
    frame2->addWidget(Label2, 2, 3);
    frame2->addWidget(Check4, 3, 0, 1, 4);
    frame2->addWidget(Label3, 4, 1);
    frame2->addWidget(Text2, 4, 2);
    frame2->addWidget(Label4, 4, 3);
    frame2->addWidget(Check5, 5, 0, 1, 4);
    frame2->addWidget(Check7, 6, 0, 1, 4);
    frame2->addWidget(Text3, 7, 2);
    frame2->addWidget(Label5, 8, 1, 1, 3);
    frame2->setColumnStretch(3, 1);

    Frame3 = named(new QGroupBox(tr("ソート方法")), "Frame3");
    Check6 = newCheckBox("Check6", QT_TR_NOOP(" 時間で行う  （標準はアルファベット順）"),
                         QT_TR_NOOP("ファイルの並べ替えをします。ＡＢＣ順か時間順"));
    (new QVBoxLayout(Frame3))->addWidget(Check6);

    Frame4 = named(new QGroupBox(tr("広告ファイルのブラウザを選択")), "Frame4");
    Check8 = newCheckBox("Check8", QT_TR_NOOP("Netscapeを使用する （チェックなしでＩＥ）"),
                         QT_TR_NOOP("広告一覧表示で使用するブラウザを選択します"));
    (new QVBoxLayout(Frame4))->addWidget(Check8);

    Frame5 = named(new QGroupBox(tr("他のPlayerの呼び出し禁止")), "Frame5");
    Check9 = newCheckBox(
            "Check9", QT_TR_NOOP("RealPlayerを呼び出さない"),
            QT_TR_NOOP(
                    "メディアプレイヤーで再生できない場合でも、リアルプレイヤーを呼び出しません"));
    Check10 = newCheckBox("Check10", QT_TR_NOOP("QuickTimePlayerを呼び出さない"),
                          QT_TR_NOOP("メディアプレイヤーで再生できない場合でも、クイックタイムプレ"
                                     "イヤーを呼び出しません"));
    auto *frame5 = new QVBoxLayout(Frame5);
    frame5->addWidget(Check9);
    frame5->addWidget(Check10);

    CmdOk = button("CmdOk", QT_TR_NOOP("上記の条件で再読み込み"),
                   QT_TR_NOOP("変更内容を更新して再読み込みします"));
    CmdCancel = button("CmdCancel", QT_TR_NOOP("更新"), QT_TR_NOOP("変更内容を更新して終了します"));
    CmdEsc = button("CmdEsc", QT_TR_NOOP("無効"), QT_TR_NOOP("変更内容を無効にして終了します"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CmdOk, 2);
    buttons->addWidget(CmdCancel, 1);
    buttons->addWidget(CmdEsc, 1);

    auto *layout = new QVBoxLayout(this);
    for (QWidget *frame : {Frame1, Frame2, Frame3, Frame4, Frame5})
        layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(Check2, &QCheckBox::toggled, this, &FrmOption::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &FrmOption::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &FrmOption::Check4_Click);
    connect(Check5, &QCheckBox::toggled, this, &FrmOption::Check5_Click);
    connect(Check7, &QCheckBox::toggled, this, &FrmOption::Check7_Click);
    connect(CmdOk, &QPushButton::clicked, this, &FrmOption::CmdOk_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmOption::CmdCancel_Click);
    connect(CmdEsc, &QPushButton::clicked, this, &FrmOption::CmdEsc_Click);

    // A fixed size, set before the window exists.
    layout->activate();
    setFixedSize(sizeHint());

    // Key preview: the dialog sees Esc whichever control has the focus.
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
}

QCheckBox *FrmOption::checkBox(int index) const
{
    QCheckBox *const all[] = {nullptr, Check1, Check2, Check3, Check4, Check5,
                              Check6,  Check7, Check8, Check9, Check10};
    return all[index];
}

void FrmOption::setTodayAsFilterDate()
{
    m_settings.setText(FilterDate, filterDateText(m_today()).trimmed());
    Text3->setText(m_settings.text(FilterDate));
}

void FrmOption::Form_Load()
{
    for (int box = 1; box <= 10; ++box)
        checkBox(box)->setChecked(false);
    // Each tick runs its box's rule, as a change by the user would.
    for (int box : {1, 3, 4, 5, 6, 7, 8, 9, 10})
        checkBox(box)->setChecked(m_settings.isSet(kOptionCheckSlots[box]));
    Text1->setText(numberText(leadingNumber(m_settings.text(MinSize))));
    Text2->setText(numberText(leadingNumber(m_settings.text(MaxSize))));
    if (m_settings.isEmptyText(FilterDate))
        m_settings.setText(FilterDate, filterDateText(m_today()));
    Text3->setText(m_settings.text(FilterDate));
    if (m_settings.isEmptyText(NoConditions) || m_settings.isSet(NoConditions)) {
        Check2->setChecked(true);
        setEnabledAll({Check3, Check4, Check5, Check7, Text1, Text2, Text3, Label1, Label2, Label3,
                       Label4},
                      false);
    }
    if (!Check3->isChecked())
        setEnabledAll({Text1, Label1, Label2}, false);
    if (!Check4->isChecked())
        setEnabledAll({Text2, Label3, Label4}, false);
    if (Check5->isChecked()) {
        Check7->setChecked(false);
        setTodayAsFilterDate();
    }
    m_settings.setFlag(OptionsReserved15, false);
}

void FrmOption::Check2_Click()
{
    if (Check2->isChecked()) {
        setEnabledAll({Check3, Check4, Check5, Check7, Text1, Text2, Text3, Label1, Label2, Label3,
                       Label4},
                      false);
        return;
    }
    Check3->setEnabled(true);
    Check4->setEnabled(true);
    Check3_Click();
    Check4_Click();
    Check5->setEnabled(true);
    Check7->setEnabled(true);
    Text3->setEnabled(true);
}

void FrmOption::Check3_Click()
{
    setEnabledAll({Label1, Label2, Text1}, Check3->isChecked());
}

void FrmOption::Check4_Click()
{
    setEnabledAll({Label3, Label4, Text2}, Check4->isChecked());
}

void FrmOption::Check5_Click()
{
    if (!Check5->isChecked())
        return;
    Check7->setChecked(false);
    setTodayAsFilterDate();
}

void FrmOption::Check7_Click()
{
    if (Check7->isChecked())
        Check5->setChecked(false);
}

OptionFields FrmOption::fields() const
{
    OptionFields f;
    for (int box = 1; box <= 10; ++box)
        f.checks[box] = checkBox(box)->isChecked();
    f.text1 = Text1->text();
    f.text2 = Text2->text();
    f.text3 = Text3->text();
    return f;
}

bool FrmOption::storeAndCheck()
{
    const OptionCheck check = storeOptions(m_settings, fields());
    if (check == OptionCheck::Passed)
        return true;
    unsetCursor();
    m_dialogs.messageBox(optionCheckMessage(check), MsgIcon::Critical, MsgButtons::Ok);
    return false;
}

void FrmOption::CmdOk_Click()
{
    WaitCursor wait(this);
    if (!storeAndCheck())
        return;
    recollectWorkDir(m_state, m_settings, m_ext, m_today(), m_dialogs, m_host);
    wait.release();
    accept();
}

void FrmOption::CmdCancel_Click()
{
    if (storeAndCheck())
        accept();
}

void FrmOption::CmdEsc_Click()
{
    reject();
}

bool FrmOption::Form_KeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    CmdEsc_Click();
    return true;
}

bool FrmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        return Form_KeyDown(static_cast<QKeyEvent *>(event)->key());
    return QDialog::eventFilter(watched, event);
}

} // namespace velt
