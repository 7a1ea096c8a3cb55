#include "picture/frmpicture.h"

#include "common/scripteddialogs.h"
#include "picture/picturefiles.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velt;

namespace {

class FakeOwner : public PictureOwner
{
public:
    QString path;
    std::optional<bool> copyEnabled;
    QList<int> handedKeys;
    int albumSwitches = 0;

    QString fn() const override { return path; }
    void setCopyButtonEnabled(bool enabled) override { copyEnabled = enabled; }
    void handOverKey(int qtKey) override { handedKeys.append(qtKey); }
    void albumSwitch() override { ++albumSwitches; }
};

const QString kUnknownHeadline =
        QStringLiteral("<不明フォーマット> 画像データが不正ですので読み込みを中止します。");
const QString kEditorMessage =
        QStringLiteral("編集する為のアプリケーションを関連付けで、設定してください。");

} // namespace

class TestFrmPicture : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    MdlVELT m_state;
    Settings m_settings;
    ScriptedDialogs m_dialogs;
    FakeOwner m_owner;
    QPointer<FrmPicture> m_window;

    QString writePicture(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir->filePath(name);
        if (!picturefiles::writeFile(path, content))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString writePattern(QSize size)
    {
        return writePicture(QStringLiteral("pattern.png"),
                            picturefiles::encoded(picturefiles::pattern(size), "PNG"));
    }

    FrmPicture *open(const QString &path, qint16 picOwner = 0)
    {
        m_owner.path = path;
        m_state.PicOwner = picOwner;
        m_window = new FrmPicture(m_state, m_settings, m_dialogs, m_owner);
        m_loaded = m_window->Form_Load();
        m_window->show();
        return m_window;
    }

    template<typename T>
    T *child(const char *name)
    {
        T *widget = m_window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }

    QImage shown() { return child<QWidget>("Picture1")->grab().toImage(); }

    bool m_loaded = false;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_state = MdlVELT();
        m_settings = Settings();
        m_settings.applyDefaults(QString());
        m_dialogs = ScriptedDialogs();
        m_owner = FakeOwner();
    }

    void cleanup() { delete m_window; }

    void failedCheck_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<bool>("timeShown");

        const QByteArray jpeg = picturefiles::encoded(picturefiles::pattern({20, 20}), "JPG");
        QTest::newRow("cut jpeg")
                << jpeg.left(jpeg.size() / 2)
                << QStringLiteral(
                           "<Jpegフォーマット> 画像データが不正ですので読み込みを中止します。")
                << true;
        QTest::newRow("cut gif")
                << picturefiles::gif({5, 5}).chopped(1)
                << QStringLiteral(
                           "<Gifフォーマット> 画像データが不正ですので読み込みを中止します。")
                << true;
        QTest::newRow("BA bmp")
                << QByteArray("BA0123")
                << QStringLiteral(
                           "<Bmpフォーマット> 画像データが不正ですので読み込みを中止します。")
                << true;
        QTest::newRow("empty file") << QByteArray() << kUnknownHeadline << false;
        QTest::newRow("loader refuses") << QByteArray("plain text") << kUnknownHeadline << true;
    }

    void failedCheck()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, headline);
        QFETCH(bool, timeShown);
        const QString path = writePicture(QStringLiteral("bad.jpg"), content);
        Qt::CursorShape cursorDuringReport = Qt::ArrowCursor;
        m_dialogs.onMessage = [&](const ScriptedDialogs::Message &) {
            cursorDuringReport = m_window->cursor().shape();
        };
        m_owner.copyEnabled = true;
        open(path);

        QVERIFY(!m_loaded);
        QCOMPARE(m_dialogs.messages.size(), 1);
        const ScriptedDialogs::Message &message = m_dialogs.messages.first();
        QCOMPARE(message.icon, MsgIcon::Exclamation);
        QCOMPARE(message.buttons, MsgButtons::Ok);
        const QStringList lines = message.text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], headline);
        QCOMPARE(lines[3], QStringLiteral("ファイル名  ") + path);
        const QString timeLabel = QStringLiteral("日時\u3000\u3000\u3000  ");
        if (timeShown)
            QCOMPARE(lines[4], timeLabel + checkReportTimeText(QFileInfo(path).lastModified()));
        else
            QCOMPARE(lines[4], timeLabel);

        QCOMPARE(cursorDuringReport, Qt::WaitCursor);
        QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!child<QPushButton>("Command1")->isEnabled());
        QVERIFY(!child<QPushButton>("Command2")->isEnabled());
        QVERIFY(child<QPushButton>("Command3")->isEnabled());
        QCOMPARE(m_owner.copyEnabled, std::optional<bool>(false));
        QVERIFY(m_window->picture().isNull());
        QVERIFY(m_window->windowTitle().isEmpty());
        QVERIFY(child<QScrollBar>("HScroll1")->isHidden());
        QVERIFY(child<QScrollBar>("VScroll1")->isHidden());
        QCOMPARE(m_window->size(), QSize(214, 226));
        // The file is left as it was.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    void nextPictureAfterFailureIsCheckedAfresh()
    {
        open(writePicture(QStringLiteral("empty.jpg"), QByteArray()));
        QVERIFY(!m_loaded);
        delete m_window;
        open(writePattern({20, 10}));
        QVERIFY(m_loaded);
        QCOMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_owner.copyEnabled, std::optional<bool>(true));
        QVERIFY(child<QPushButton>("Command1")->isEnabled());
    }

    void shownPicture()
    {
        const QString path = writePattern({16, 16});
        open(path);
        QVERIFY(m_loaded);
        QVERIFY(m_dialogs.messages.isEmpty());
        QCOMPARE(m_owner.copyEnabled, std::optional<bool>(true));
        QCOMPARE(m_window->windowTitle(), QLatin1Char('[') + path + QLatin1Char(']'));
        QCOMPARE(m_window->picture().size(), QSize(16, 16));
        QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(m_window->frameGeometry().top(), 0);
        QWidget *picture1 = child<QWidget>("Picture1");
        QCOMPARE(picture1->geometry(), QRect(8, 8, 16, 16));
        QVERIFY(child<QScrollBar>("HScroll1")->isHidden());
        QVERIFY(child<QScrollBar>("VScroll1")->isHidden());
        // 240 + 305 twips below the top edge of Picture1 (120): 665 twips.
        QCOMPARE(child<QPushButton>("Command1")->y(), 44);
        QCOMPARE(child<QPushButton>("Command3")->geometry(), QRect(128, 44, 65, 25));
        QCOMPARE(shown(), picturefiles::pattern({16, 16}));
    }

    void sourceInTooltip_data()
    {
        QTest::addColumn<bool>("changed"); // the file changed since it was written from a cache
        QTest::newRow("from today's caches") << false;
        QTest::newRow("changed since") << true;
    }

    void sourceInTooltip()
    {
        QFETCH(bool, changed);
        const QString path = writePattern({16, 16});
        const QFileInfo info(path);
        SourceFacts facts;
        facts.url = QStringLiteral("https://img.example.org/a/pattern.png?x=1");
        facts.size = info.size() + (changed ? 1 : 0);
        facts.modified = info.lastModified();
        m_state.Sources.insert(info.fileName(), facts);
        open(path);
        QVERIFY(m_loaded);
        QWidget *picture1 = child<QWidget>("Picture1");
        const QString tip = picture1->toolTip();
        QVERIFY(tip.startsWith(QStringLiteral("画像を隠します。")));
        QCOMPARE(tip.contains(facts.url), !changed);
        QCOMPARE(tip.contains(QStringLiteral("img.example.org\n")), !changed);
        QCOMPARE(picture1->accessibleName(), QStringLiteral("画像を隠します。"));
    }

    void thumbnailOwnerDisablesAlbum_data()
    {
        QTest::addColumn<int>("picOwner");
        QTest::addColumn<bool>("albumEnabled");
        QTest::newRow("main viewer") << 0 << true;
        QTest::newRow("number window") << 1 << true;
        QTest::newRow("thumbnails") << 2 << false;
    }

    void thumbnailOwnerDisablesAlbum()
    {
        QFETCH(int, picOwner);
        QFETCH(bool, albumEnabled);
        open(writePattern({8, 8}), qint16(picOwner));
        QCOMPARE(child<QPushButton>("Command3")->isEnabled(), albumEnabled);
    }

    void largePictureScrolls()
    {
        // 1000 x 800 pixels: 15000 x 12000 twips, both bars.
        open(writePattern({1000, 800}));
        QVERIFY(m_loaded);
        auto *h = child<QScrollBar>("HScroll1");
        auto *v = child<QScrollBar>("VScroll1");
        QVERIFY(!h->isHidden());
        QVERIFY(!v->isHidden());
        QCOMPARE(h->maximum(), 5000);
        QCOMPARE(v->maximum(), 2000);
        QCOMPARE(child<QWidget>("Picture1")->size(), QSize(667, 667));
        // Outer 10600 x 11260 twips less the frame of 120 x 405.
        QCOMPARE(m_window->size(), QSize(699, 724));

        h->setValue(1500);
        v->setValue(300);
        const QImage full = picturefiles::pattern({1000, 800});
        QCOMPARE(shown(), full.copy(100, 20, 667, 667));
        h->setValue(h->maximum());
        v->setValue(v->maximum());
        QCOMPARE(shown(), full.copy(1000 - 667, 800 - 667, 667, 667));
    }

    void arrowKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        QTest::newRow("left at 100") << int(Qt::Key_Left) << true << 100 << 0;
        QTest::newRow("left at 1000") << int(Qt::Key_Left) << true << 1000 << 700;
        QTest::newRow("right below max") << int(Qt::Key_Right) << true << 4900 << 5000;
        QTest::newRow("right at 0") << int(Qt::Key_Right) << true << 0 << 300;
        QTest::newRow("up at 100") << int(Qt::Key_Up) << false << 100 << 0;
        QTest::newRow("down below max") << int(Qt::Key_Down) << false << 1900 << 2000;
        QTest::newRow("down at 600") << int(Qt::Key_Down) << false << 600 << 900;
    }

    void arrowKeys()
    {
        QFETCH(int, key);
        QFETCH(bool, horizontal);
        QFETCH(int, start);
        QFETCH(int, expected);
        open(writePattern({1000, 800}));
        auto *bar = child<QScrollBar>(horizontal ? "HScroll1" : "VScroll1");
        bar->setValue(start);
        // The key goes to the control with the focus; the window acts on it first, alone.
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key(key));
        QCOMPARE(bar->value(), expected);
        QTest::keyClick(child<QPushButton>("Command2"), Qt::Key(key), Qt::ShiftModifier);
        QCOMPARE(bar->value(), qBound(0, expected + (expected - start), bar->maximum()));
    }

    void arrowsIgnoredWithoutBars()
    {
        open(writePattern({1000, 20})); // horizontal bar only
        auto *h = child<QScrollBar>("HScroll1");
        auto *v = child<QScrollBar>("VScroll1");
        QTest::keyClick(m_window, Qt::Key_Down);
        QCOMPARE(v->value(), 0);
        QCOMPARE(child<QWidget>("Picture1")->size(), QSize(667, 20));
        QTest::keyClick(m_window, Qt::Key_Right);
        QCOMPARE(h->value(), 300);
    }

    void pictureWiderThan16BitRange()
    {
        // 3000 pixels: 45000 twips, beyond a signed 16-bit scroll range.
        open(writePattern({3000, 20}));
        QVERIFY(m_loaded);
        QVERIFY(m_dialogs.messages.isEmpty());
        auto *h = child<QScrollBar>("HScroll1");
        QCOMPARE(h->maximum(), 35000);
        for (int i = 0; i < 200; ++i)
            QTest::keyClick(m_window, Qt::Key_Right);
        QCOMPARE(h->value(), 35000);
        QCOMPARE(shown(), picturefiles::pattern({3000, 20}).copy(3000 - 667, 0, 667, 20));
    }

    void handOverKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("picOwner");
        QTest::addColumn<bool>("handed");
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 0 << true;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 0 << true;
        QTest::newRow("S") << int(Qt::Key_S) << 1 << true;
        QTest::newRow("N") << int(Qt::Key_N) << 0 << true;
        QTest::newRow("page down from thumbnails") << int(Qt::Key_PageDown) << 2 << false;
        QTest::newRow("S from thumbnails") << int(Qt::Key_S) << 2 << false;
    }

    void handOverKeys()
    {
        QFETCH(int, key);
        QFETCH(int, picOwner);
        QFETCH(bool, handed);
        // Wide enough for the horizontal bar, which would use Page keys itself.
        open(writePattern({1000, 8}), qint16(picOwner));
        auto *bar = child<QScrollBar>("HScroll1");
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key(key), Qt::ShiftModifier);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(m_owner.handedKeys, handed ? QList<int>{key} : QList<int>{});
        QCOMPARE(m_window->isVisible(), !handed);
        if (handed)
            QTRY_VERIFY(m_window.isNull()); // closed and deleted
    }

    void escapeCloses()
    {
        open(writePattern({8, 8}));
        QTest::keyClick(child<QPushButton>("Command3"), Qt::Key_Escape);
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_window->picture().isNull()); // released on close
        QTRY_VERIFY(m_window.isNull());
        QVERIFY(m_owner.handedKeys.isEmpty());
    }

    void otherKeysReachTheControls()
    {
        open(writePattern({8, 8}));
        auto *command3 = child<QPushButton>("Command3");
        command3->setFocus();
        QTest::keyClick(command3, Qt::Key_Space);
        QCOMPARE(m_owner.albumSwitches, 1);
        QVERIFY(m_window->isVisible());
    }

    void clickHidesAndBackgroundShows()
    {
        open(writePattern({40, 40}));
        QWidget *picture1 = child<QWidget>("Picture1");
        QTest::mouseClick(picture1, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(picture1->isHidden());
        QTest::mouseClick(m_window, Qt::LeftButton, {}, QPoint(20, 20)); // where it was
        QVERIFY(!picture1->isHidden());
        QTest::mouseClick(m_window, Qt::LeftButton, {}, QPoint(m_window->width() - 3, 3));
        QVERIFY(!picture1->isHidden());
    }

    void timerCountsDownToZero()
    {
        open(writePattern({8, 8}));
        m_window->setTimerInterval(1);
        m_window->setTimeT(3);
        QTRY_COMPARE(m_window->TimeT(), qint16(0));
        QTest::qWait(20);
        QCOMPARE(m_window->TimeT(), qint16(0));
    }

    void chooseEditor_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<QString>("initialDir");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("stored");

        const std::optional<QString> none;
        const auto gimp = std::optional<QString>(QStringLiteral("/usr/bin/gimp"));
        QTest::newRow("windows path") << "C:\\WINDOWS\\mspaint.exe" << gimp << "C:\\WINDOWS"
                                      << "mspaint.exe"
                                      << "/usr/bin/gimp";
        QTest::newRow("host path") << "/usr/bin/pinta" << gimp << "/usr/bin"
                                   << "pinta"
                                   << "/usr/bin/gimp";
        QTest::newRow("cancel keeps") << "/usr/bin/pinta" << none << "/usr/bin"
                                      << "pinta"
                                      << "/usr/bin/pinta";
        QTest::newRow("empty") << "" << gimp << ""
                               << ""
                               << "/usr/bin/gimp";
        QTest::newRow("no separator") << "pinta" << gimp << ""
                                      << ""
                                      << "/usr/bin/gimp";
        QTest::newRow("in the root") << "/pinta" << none << "/"
                                     << "pinta"
                                     << "/pinta";
    }

    void chooseEditor()
    {
        QFETCH(QString, editor);
        QFETCH(std::optional<QString>, answer);
        QFETCH(QString, initialDir);
        QFETCH(QString, fileName);
        QFETCH(QString, stored);
        m_settings.setText(EditorPath, editor);
        m_dialogs.files.enqueue(answer);
        open(writePattern({8, 8}));
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(m_dialogs.fileRequests.size(), 1);
        const FileDialogRequest &request = m_dialogs.fileRequests.first();
        QCOMPARE(request.title, QStringLiteral("編集アプリケション関連付け"));
        QVERIFY(request.filter.startsWith(QStringLiteral("実行ファイル(*.exe)|*.exe")));
        QCOMPARE(request.initialDir, initialDir);
        QCOMPARE(request.fileName, fileName);
        QCOMPARE(m_settings.text(EditorPath), stored);
    }

    void edit_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<bool>("started");
        QTest::newRow("starts") << "C:\\WINDOWS\\mspaint.exe" << true << true;
        QTest::newRow("cannot start") << "/nowhere/paint" << false << false;
        QTest::newRow("no editor") << "" << true << false;
    }

    void edit()
    {
        QFETCH(QString, editor);
        QFETCH(bool, starts);
        QFETCH(bool, started);
        m_settings.setText(EditorPath, editor);
        m_dialogs.startSucceeds = starts;
        const QString path =
                writePicture(QStringLiteral("a \"b\" c.png"),
                             picturefiles::encoded(picturefiles::pattern({4, 4}), "PNG"));
        open(path);
        QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
        if (!editor.isEmpty()) {
            QCOMPARE(m_dialogs.starts.size(), 1);
            QCOMPARE(m_dialogs.starts.first().program, editor);
            QCOMPARE(m_dialogs.starts.first().arguments, QStringList{path});
        } else {
            QVERIFY(m_dialogs.starts.isEmpty());
        }
        if (started) {
            QVERIFY(m_dialogs.messages.isEmpty());
        } else {
            QCOMPARE(m_dialogs.messages.size(), 1);
            QCOMPARE(m_dialogs.messages.first().text, kEditorMessage);
            QCOMPARE(m_dialogs.messages.first().icon, MsgIcon::Critical);
        }
    }
};

QTEST_MAIN(TestFrmPicture)
#include "tst_frmpicture.moc"
