#include "viewer/frmsend.h"

#include "common/scripteddialogs.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace velt;

namespace {

// The copy dialog over WINDOWS/VeltTemp (the working folder, also reached through "worklink"),
// movies/, pictures/ and other/deeper/, with the answer of an earlier use still stored.
struct Dialog
{
    QTemporaryDir dir;
    Settings settings;
    ScriptedDialogs dialogs;
    std::unique_ptr<FrmSend> send;

    explicit Dialog(int displayMode)
    {
        for (const char *sub : {"WINDOWS/VeltTemp", "movies", "pictures", "other/deeper"})
            QDir().mkpath(path(QString::fromLatin1(sub)));
        QFile::link(path(QStringLiteral("WINDOWS/VeltTemp")), path(QStringLiteral("worklink")));
        settings.applyDefaults(path(QStringLiteral("WINDOWS/VeltTemp/MyBuffer")));
        settings.setText(CopyFolder, path(QStringLiteral("pictures")));
        settings.setText(CopyFolderOpened, path(QStringLiteral("movies")));
        settings.setFlag(CopyConfirmed, true);
        settings.setText(CopyNewName, QStringLiteral("earlier"));
        send = std::make_unique<FrmSend>(settings, dialogs, displayMode,
                                         path(QStringLiteral("WINDOWS/VeltTemp")));
    }
    QString path(const QString &relative) const { return dir.filePath(relative); }
    void load()
    {
        send->Form_Load();
        send->show();
    }
};

} // namespace

class TestFrmSend : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void destinations_data();
    void destinations();
    void missingStoredFolder();
    void closing_data();
    void closing();
    void rename_data();
    void rename();
};

// Each DisplayMode opens at its own stored folder; setting another (only with Command3) changes
// that one and never the other; the working folder is refused, also through a link; the root
// is stored so that a file name can be joined to it.
void TestFrmSend::destinations_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("stored"); // in the mode's slot afterwards
    QTest::newRow("movie") << 1 << "other/deeper"
                           << "other/deeper";
    QTest::newRow("list picture") << 2 << "other/deeper"
                                  << "other/deeper";
    QTest::newRow("picture from the File button") << 3 << "movies"
                                                  << "movies";
    QTest::newRow("working folder refused") << 2 << "WINDOWS/VeltTemp"
                                            << "pictures";
    QTest::newRow("working folder through a link") << 1 << "worklink"
                                                   << "movies";
    QTest::newRow("root") << 1 << "/"
                          << "/";
}

void TestFrmSend::destinations()
{
    QFETCH(int, mode);
    QFETCH(QString, chosen);
    QFETCH(QString, stored);
    Dialog d(mode);
    const int slot = mode == 1 ? CopyFolderOpened : CopyFolder;
    const int other = mode == 1 ? CopyFolder : CopyFolderOpened;
    const QString otherBefore = d.settings.text(other);
    const QString storedBefore = d.settings.text(slot);
    d.load();
    QCOMPARE(d.send->dir1Path(), storedBefore);
    QCOMPARE(d.send->Label1->text(), storedBefore);
    QVERIFY(!d.send->Label1->isEnabled() && !d.send->Command3->isEnabled());
    QCOMPARE(d.send->focusWidget(), d.send->Command1);
    d.send->setDir1Path(chosen.startsWith('/') ? chosen : d.path(chosen));
    QVERIFY(d.send->Label1->isEnabled() && d.send->Command3->isEnabled());
    QCOMPARE(d.settings.text(slot), storedBefore); // choosing alone stores nothing
    d.send->Command3_Click();
    QCOMPARE(d.settings.text(slot), stored.startsWith('/') ? stored : d.path(stored));
    QCOMPARE(d.settings.text(other), otherBefore);
    const bool refused = chosen != stored;
    QCOMPARE(d.dialogs.messages.size(), refused ? 1 : 0);
    if (refused)
        QCOMPARE(d.dialogs.messages[0].text,
                 QStringLiteral("この製品の作業フォルダーの為、設定できません。"));
    QCOMPARE(d.send->Command3->isEnabled(), refused);
}

// A destination deleted since it was set: the dialog still opens, at the nearest folder that
// exists, with the stored one named in the label, and another can be set.
void TestFrmSend::missingStoredFolder()
{
    Dialog d(2);
    d.settings.setText(CopyFolder, d.path(QStringLiteral("other/gone/away")));
    d.load();
    QCOMPARE(d.send->dir1Path(), d.path(QStringLiteral("other")));
    QCOMPARE(d.send->Label1->text(), d.path(QStringLiteral("other/gone/away")));
    d.send->setDir1Path(d.path(QStringLiteral("movies")));
    d.send->Command3_Click();
    QCOMPARE(d.settings.text(CopyFolder), d.path(QStringLiteral("movies")));
}

// However the dialog ends, the earlier use's answer never stands; run modally as the viewer runs
// it.
void TestFrmSend::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("copy");
    QTest::newRow("copy") << "Command1" << true;
    QTest::newRow("cancel") << "Command2" << false;
    QTest::newRow("Esc on the folder list") << "Dir1" << false;
    QTest::newRow("Esc on the drive list") << "Drive1" << false;
    QTest::newRow("close box") << "close" << false;
}

void TestFrmSend::closing()
{
    QFETCH(QString, how);
    QFETCH(bool, copy);
    Dialog d(2);
    d.send->Form_Load();
    QTimer::singleShot(0, d.send.get(), [&] {
        if (how == QLatin1String("close"))
            d.send->close();
        else if (how.startsWith(QLatin1String("Command")))
            d.send->findChild<QPushButton *>(how)->click();
        else
            QTest::keyClick(d.send->findChild<QWidget *>(how), Qt::Key_Escape);
    });
    QCOMPARE(d.send->exec(), copy ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(d.settings.isSet(CopyConfirmed), copy);
    QCOMPARE(d.settings.text(CopyNewName), QString());
}

void TestFrmSend::rename_data()
{
    QTest::addColumn<QStringList>("answers"); // "<cancel>" for a cancelled input box
    QTest::addColumn<int>("refusals");
    QTest::addColumn<QString>("newName"); // "earlier" when the dialog stays open
    QTest::newRow("a name") << QStringList{"holiday"} << 0 << "holiday";
    QTest::newRow("cancelled") << QStringList{"<cancel>"} << 0 << "earlier";
    QTest::newRow("empty") << QStringList{""} << 0 << "earlier";
    QTest::newRow("a dot") << QStringList{"a.png"} << 1 << "earlier";
    QTest::newRow("dot dot, backslash") << QStringList{"..", "a\\b"} << 2 << "earlier";
    QTest::newRow("a path, then a good name")
            << QStringList{"../x", "-x $(y) 夏"} << 1 << "-x $(y) 夏";
}

void TestFrmSend::rename()
{
    QFETCH(QStringList, answers);
    QFETCH(int, refusals);
    QFETCH(QString, newName);
    Dialog d(1);
    d.load();
    for (const QString &a : answers) {
        d.dialogs.inputs.enqueue(a == QLatin1String("<cancel>") ? std::nullopt
                                                                : std::optional<QString>(a));
        d.send->Command4_Click();
    }
    QCOMPARE(int(d.dialogs.messages.size()), refusals);
    for (const auto &m : d.dialogs.messages) {
        QCOMPARE(m.text, QStringLiteral("拡張子は変更できませんので入力しないで下さい。"));
        QCOMPARE(m.icon, MsgIcon::Exclamation);
    }
    const bool closed = newName != QLatin1String("earlier");
    QCOMPARE(d.send->isVisible(), !closed);
    QCOMPARE(d.settings.text(CopyNewName), newName);
    QCOMPARE(d.settings.isSet(CopyConfirmed), true);
}

QTEST_MAIN(TestFrmSend)
#include "tst_frmsend.moc"
