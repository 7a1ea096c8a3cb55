// Every window of the program in English: no text is left in Japanese, and every caption fits
// its control at the design size in the program's own font. VELT_TEST_SHOTS=DIR keeps pictures.

#include "about/frmabout.h"
#include "about/frmhelp.h"
#include "album/frmmodechange.h"
#include "album/frmphotoalubum.h"
#include "album/frmviewalbum.h"
#include "app/frmsplash.h"
#include "index/frmno.h"
#include "options/frmoption.h"
#include "picture/frmpicture.h"
#include "platform/language.h"
#include "viewer/frmsend.h"

#include "common/startedviewer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <functional>

using namespace velt;

namespace {

using WindowFactory = std::function<QWidget *(StartedViewer &)>;

QByteArray jpegBytes()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

bool hasJapanese(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF)
            || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

QString describe(const QWidget *w)
{
    return QStringLiteral("%1 (%2)").arg(w->objectName(),
                                         QString::fromLatin1(w->metaObject()->className()));
}

// What is wrong with one control's texts; empty when nothing is.
QStringList problemsOf(QWidget *w)
{
    QStringList problems;
    QStringList texts{w->toolTip(), w->accessibleName(), w->windowTitle()};
    QString caption;
    int room = w->width();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        caption = b->text();
        // A check box's box and gap come before the text; a push button has its frame.
        room = qobject_cast<QCheckBox *>(w)
                ? w->width() - (b->sizeHint().width() - b->fontMetrics().horizontalAdvance(caption))
                : w->width() - 4;
    } else if (auto *l = qobject_cast<QLabel *>(w)) {
        caption = l->text();
        room = l->contentsRect().width();
        if (l->wordWrap() && l->isVisible() && l->heightForWidth(room) > l->contentsRect().height())
            problems << QStringLiteral("%1: \"%2\" needs more lines than it has")
                                .arg(describe(w), caption);
        if (l->wordWrap())
            room = INT_MAX;
    } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
        caption = g->title();
        room = w->width() - 16;
    } else if (auto *document = qobject_cast<QTextEdit *>(w)) {
        texts << document->toPlainText(); // the help
    }
    texts << caption;
    for (const QString &t : std::as_const(texts)) {
        if (hasJapanese(t))
            problems << QStringLiteral("%1: still Japanese: \"%2\"").arg(describe(w), t);
    }
    // A path on show is the user's, not a caption: it may be cut.
    if (!caption.isEmpty() && !caption.startsWith(QLatin1Char('/')) && w->isVisible()) {
        for (const QString &line : caption.split(QLatin1Char('\n'))) {
            const int needed = w->fontMetrics().horizontalAdvance(line);
            if (needed > room)
                problems << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                    .arg(describe(w), line)
                                    .arg(needed)
                                    .arg(room);
        }
    }
    return problems;
}

} // namespace

class TestEnglish : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // As the program starts: the design font.
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
        QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
        uiFont.setPointSizeF(9);
        QApplication::setFont(uiFont);
        setUiLanguage(UiLanguage::English);
        QVERIFY2(uiLanguage() == UiLanguage::English, "the English texts are built in");
    }

    void everyWindow_data()
    {
        QTest::addColumn<WindowFactory>("open");
        QTest::newRow("main") << WindowFactory([](StartedViewer &s) { return s.view.get(); });
        QTest::newRow("picture") << WindowFactory([](StartedViewer &s) -> QWidget * {
            s.view->Command13_Click();
            return s.view->pictureWindow();
        });
        QTest::newRow("progress") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmSplash(s.state, s.settings, s.view.get());
            w->Form_Load();
            return w;
        });
        QTest::newRow("options") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmOption(
                    s.state, s.settings, s.dialogs, *s.view, ExtTable::standard(),
                    [] { return QDate(2026, 12, 7); }, s.view.get());
            w->Form_Load();
            return w;
        });
        QTest::newRow("picture list") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmNo(s.state, s.settings, s.dialogs, *s.view, s.view.get());
            w->Form_Load();
            return w;
        });
        QTest::newRow("thumbnails") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmViewAlbum(
                    s.state, *s.view, [] { return nullptr; }, s.view.get());
            w->Form_Load();
            return w;
        });
        QTest::newRow("album folder") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmPhotoAlubum(s.settings, s.dialogs, s.dir.path(), {}, s.view.get());
            w->Form_Load();
            return w;
        });
        QTest::newRow("mode change") << WindowFactory(
                [](StartedViewer &s) -> QWidget * { return new FrmModeChange(s.view.get()); });
        QTest::newRow("about") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmAbout(s.state, s.settings, s.dialogs, *s.view, {}, s.view.get());
            w->Form_Load();
            return w;
        });
        QTest::newRow("help") << WindowFactory(
                [](StartedViewer &s) -> QWidget * { return new FrmHelp(s.view.get()); });
        QTest::newRow("send") << WindowFactory([](StartedViewer &s) -> QWidget * {
            auto *w = new FrmSend(s.settings, s.dialogs, 0, s.state.WorkDir, s.view.get());
            w->Form_Load();
            return w;
        });
    }

    void everyWindow()
    {
        QFETCH(WindowFactory, open);
        // The window as designed, in Japanese: the English one is no larger.
        QSize designSize;
        {
            setUiLanguage(UiLanguage::Japanese);
            StartedViewer s({{QStringLiteral("a.jpg"), jpegBytes()},
                             {QStringLiteral("b.jpg"), jpegBytes()}});
            QWidget *window = open(s);
            QVERIFY(window);
            window->show();
            QCoreApplication::processEvents();
            designSize = window->size();
        }
        setUiLanguage(UiLanguage::English);
        installUiTranslations();
        StartedViewer s(
                {{QStringLiteral("a.jpg"), jpegBytes()}, {QStringLiteral("b.jpg"), jpegBytes()}});
        QWidget *window = open(s);
        QVERIFY(window);
        window->show();
        QCoreApplication::processEvents();
        QVERIFY2(window->width() <= designSize.width() && window->height() <= designSize.height(),
                 qPrintable(QStringLiteral("%1x%2 in English, %3x%4 as designed")
                                    .arg(window->width())
                                    .arg(window->height())
                                    .arg(designSize.width())
                                    .arg(designSize.height())));
        // VELT_TEST_SHOTS=DIR keeps a picture of each window to look at.
        if (const QString shots = qEnvironmentVariable("VELT_TEST_SHOTS"); !shots.isEmpty())
            window->grab().save(QStringLiteral("%1/%2.png").arg(shots, QTest::currentDataTag()));
        QStringList problems = problemsOf(window);
        for (QWidget *w : window->findChildren<QWidget *>())
            problems += problemsOf(w);
        if (!problems.isEmpty())
            QFAIL(qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
