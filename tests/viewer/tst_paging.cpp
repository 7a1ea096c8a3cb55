// Paging in the main window with pictures decoded ahead: what is painted is always what the file
// holds when it is shown, and a file that fails the check is reported as it always was.

#include "viewer/frmview.h"

#include "app/frmsplash.h"
#include "common/scripteddialogs.h"
#include "picture/picturefiles.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

using picturefiles::writeDated;

namespace {

const QColor kColours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

} // namespace

class TestPaging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nextPictureIsWhatTheFileHoldsNow_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("report"); // a CheckResult; Passes: the picture is shown
        QTest::newRow("unchanged") << "none" << int(CheckResult::Passes);
        QTest::newRow("another picture written since") << "rewritten" << int(CheckResult::Passes);
        QTest::newRow("cut since") << "cut" << int(CheckResult::JpegDamaged);
        QTest::newRow("removed since") << "removed" << int(CheckResult::Unreadable);
    }

    void nextPictureIsWhatTheFileHoldsNow()
    {
        QFETCH(QString, change);
        QFETCH(int, report);
        QTemporaryDir dir;
        MdlVELT state;
        Settings settings;
        ScriptedDialogs dialogs;
        ViewerEnvironment env;
        env.settingsPath = dir.filePath(QStringLiteral("VELT.ini"));
        env.timerIntervalMs = 1;
        env.pictureTimerIntervalMs = 1;
        env.today = QDate(2026, 12, 7);
        FrmView view(state, settings, dialogs, env);
        view.Form_Load();

        state.WorkDir = dir.filePath(QStringLiteral("VeltTemp"));
        QVERIFY(QDir().mkpath(state.WorkDir));
        for (int k = 1; k <= 4; ++k) {
            const QString name = QStringLiteral("p%1.jpg").arg(k);
            QVERIFY(writeDated(state.WorkDir + QLatin1Char('/') + name,
                               picturefiles::plainJpeg(kColours[k - 1])));
            state.ListFile.append(name);
        }
        state.ListCount = 4;

        view.Command13_Click();
        QVERIFY(view.pictureWindow() && !view.pictureWindow()->picture().isNull());
        view.decodeAhead().waitUntilIdle();
        const QString second = state.WorkDir + QStringLiteral("/p2.jpg");
        QVERIFY(view.decodeAhead().holds(second));

        QColor expected = kColours[1];
        if (change == QLatin1String("rewritten")) {
            expected = Qt::magenta;
            QVERIFY(writeDated(second, picturefiles::plainJpeg(expected, {48, 30})));
        } else if (change == QLatin1String("cut")) {
            QFile file(second);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.resize(file.size() / 2));
        } else if (change == QLatin1String("removed")) {
            QVERIFY(QFile::remove(second));
        }
        view.Command13_Click();
        QCOMPARE(state.ListPos, 2);
        FrmPicture *window = view.pictureWindow();
        QVERIFY(window);
        if (report == int(CheckResult::Passes)) {
            QVERIFY(dialogs.messages.isEmpty());
            QVERIFY(picturefiles::nearColour(window->picture().pixelColor(10, 10), expected));
            QVERIFY(view.Command15->isEnabled());
        } else {
            // The report of a file that was never decoded ahead.
            QCOMPARE(dialogs.messages.size(), 1);
            const std::optional<QDateTime> modified = change == QLatin1String("removed")
                    ? std::nullopt
                    : std::optional<QDateTime>(QFileInfo(second).lastModified());
            QCOMPARE(dialogs.messages.first().text,
                     checkReportText(CheckResult(report), second, modified));
            QVERIFY(window->picture().isNull());
            QVERIFY(!view.Command15->isEnabled());
        }

        // Back to the first picture: it was kept while the second was on show.
        QVERIFY(view.decodeAhead().holds(state.WorkDir + QStringLiteral("/p1.jpg")));
        view.Command12_Click();
        QVERIFY(picturefiles::nearColour(view.pictureWindow()->picture().pixelColor(10, 10),
                                         kColours[0]));
        view.decodeAhead().waitUntilIdle();
        QVERIFY(view.decodeAhead().heldCount() <= DecodeAhead::kMaxHeld);
        view.Form_QueryUnload();
    }
};

QTEST_MAIN(TestPaging)
#include "tst_paging.moc"
