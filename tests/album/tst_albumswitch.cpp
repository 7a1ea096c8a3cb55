// The album switch from the picture window's album button, with the real main window, and the
// album folder dialog.
#include "album/albumscan.h"
#include "album/frmmodechange.h"
#include "album/frmphotoalubum.h"
#include "album/frmviewalbum.h"
#include "viewer/frmview.h"

#include "common/startedviewer.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace velt;

namespace {

QByteArray jpegBytes(QColor color)
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(writeDatedFile(path, bytes));
}

const QString kLongName = QStringLiteral("a_picture_with_a_name_of_forty_chars.jpg");

// A main window over a cache of pictures, showing the first in the picture window; an album
// folder beside it.
struct Started : StartedViewer
{
    QString album;

    static QMap<QString, QByteArray> cache(int pictures)
    {
        QMap<QString, QByteArray> files;
        for (int i = 0; i < pictures; ++i)
            files.insert(QStringLiteral("cache%1.jpg").arg(i), jpegBytes(Qt::red));
        return files;
    }
    explicit Started(int cachePictures = 3, int pictureTimerMs = 1)
        : StartedViewer(cache(cachePictures), pictureTimerMs),
          album(dir.filePath(QStringLiteral("album")))
    {
        QDir().mkpath(album);
        if (cachePictures > 0)
            view->Command13_Click();
    }
    // The user answers the question and picks the album folder (or cancels).
    void chooseAlbum(MsgAnswer answer, bool ok = true)
    {
        dialogs.answers.enqueue(answer);
        const QString folder = album;
        dialogs.modalActions.enqueue([folder, ok](QObject *window) {
            auto *dialog = qobject_cast<FrmPhotoAlubum *>(window);
            QVERIFY(dialog);
            dialog->setFolder(folder);
            if (ok)
                dialog->CmdOk_Click();
            else
                dialog->CmdCancel_Click();
        });
    }
    // The album button of the picture window on show.
    void pressAlbumButton()
    {
        QVERIFY(view->pictureWindow());
        view->pictureWindow()->Command3_Click();
    }
    QStringList workFiles() const { return QDir(state.WorkDir).entryList(QDir::Files, QDir::Name); }
};

bool noticeShown()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<FrmModeChange *>(w) && w->isVisible())
            return true;
    }
    return false;
}

} // namespace

class TestAlbumSwitch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void declined_data();
    void declined();
    void switches();
    void navigationAfterwards_data();
    void navigationAfterwards();
    void mainWindowUsableWhileWaiting();
    void mainWindowClosedWhileWaiting();
    void dialogDriveOrFolderGone();
};

void TestAlbumSwitch::declined_data()
{
    QTest::addColumn<int>("how"); // 0 No, 1 Cancel, 2 the dialog's close box
    QTest::newRow("No") << 0;
    QTest::newRow("Cancel") << 1;
    QTest::newRow("close box") << 2;
}

void TestAlbumSwitch::declined()
{
    QFETCH(int, how);
    Started s;
    writeFile(s.album + QStringLiteral("/a.jpg"), jpegBytes(Qt::blue));
    FrmPicture *picture = s.view->pictureWindow();
    const QStringList before = s.workFiles();
    if (how == 0)
        s.dialogs.answers.enqueue(MsgAnswer::No);
    else if (how == 1)
        s.chooseAlbum(MsgAnswer::Yes, false);
    else
        s.dialogs.answers.enqueue(MsgAnswer::Yes); // no action: closed with its close box
    s.pressAlbumButton();
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].text, QString::fromUtf8(kMsgAlbumQuestion));
    QCOMPARE(s.dialogs.messages[0].buttons, MsgButtons::YesNoDefaultNo);
    QCOMPARE(s.dialogs.modalWindows.size(), how == 0 ? 0 : 1);
    QVERIFY(!s.settings.isSet(AlbumChosen));
    QCOMPARE(s.view->pictureWindow(), picture);
    QVERIFY(picture->isVisible());
    QCOMPARE(s.workFiles(), before);
    QCOMPARE(s.state.ListCount, 3);
    QCOMPARE(s.state.ListPos, 1);
}

void TestAlbumSwitch::switches()
{
    Started s;
    writeFile(s.album + QStringLiteral("/b.jpg"), jpegBytes(Qt::blue));
    writeFile(s.album + QStringLiteral("/c.GIF"), "GIF89a;");
    writeFile(s.album + QStringLiteral("/d.txt"), "text");
    writeFile(s.album + QLatin1Char('/') + kLongName, jpegBytes(Qt::green));
    writeFile(s.state.BufferDir + QStringLiteral("/saved.jpg"), jpegBytes(Qt::red));
    s.view->Command14_Click(); // the list window
    s.view->Command13_Click();
    QVERIFY(s.view->noWindow());
    s.view->noWindow()->CmdView_Click(); // and the thumbnails
    QPointer<FrmViewAlbum> thumbnails = s.view->thumbnailWindow();
    QVERIFY(thumbnails);
    QPointer<FrmPicture> picture = s.view->pictureWindow();

    s.chooseAlbum(MsgAnswer::Yes);
    s.pressAlbumButton();

    QCOMPARE(s.state.ListFile.mid(1, s.state.ListCount), (QStringList{kLongName, "b.jpg"}));
    QCOMPARE(s.state.ListLine[1], kLongName.left(34) + QStringLiteral("   2026/12/01   10:00:00"));
    QCOMPARE(s.state.GifFile.mid(1, s.state.GifCount), QStringList{"c.GIF"});
    QCOMPARE(s.workFiles(), (QStringList{kLongName, "b.jpg", "c.GIF", "d.txt"}));
    QVERIFY(QFile::exists(s.state.BufferDir + QStringLiteral("/saved.jpg")));
    QCOMPARE(s.state.ListPos, 0);
    QCOMPARE(s.view->Label3->text(), QStringLiteral("0"));
    QCOMPARE(s.view->Label5->text(), QStringLiteral("2"));
    QVERIFY(s.dialogs.messages.size() == 1); // the question only
    QCOMPARE(s.settings.text(AlbumFolder), QDir::toNativeSeparators(s.album));
    // The list windows, the notice and the picture window are gone.
    QVERIFY(!s.view->noWindow());
    QVERIFY(!s.view->pictureWindow());
    QTRY_VERIFY(!picture);
    QTRY_VERIFY(!thumbnails);
    QVERIFY(!noticeShown());
    // The viewer pages through the album now.
    s.view->Command13_Click();
    QCOMPARE(s.view->fn(), s.state.WorkDir + QLatin1Char('/') + kLongName);
    QVERIFY(s.view->pictureWindow() && !s.view->pictureWindow()->picture().isNull());
    // The folder is kept for the next time.
    QVERIFY(s.view->Form_QueryUnload());
    QFile ini(s.dir.filePath(QStringLiteral("VELT.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(ini.readAll()).split(QStringLiteral("\r\n")).value(6),
             QDir::toNativeSeparators(s.album));
}

void TestAlbumSwitch::navigationAfterwards_data()
{
    QTest::addColumn<int>("cachePictures");
    QTest::addColumn<QStringList>("albumFiles");
    QTest::addColumn<bool>("nothingMessage");
    QTest::addColumn<bool>("navigation");
    QTest::newRow("nothing found") << 3 << QStringList{"x.txt"} << true << false;
    QTest::newRow("only GIFs: as they were") << 3 << QStringList{"x.gif"} << false << true;
    QTest::newRow("pictures after a start that found none")
            << 0 << QStringList{"x.jpg"} << false << true;
}

void TestAlbumSwitch::navigationAfterwards()
{
    QFETCH(int, cachePictures);
    QFETCH(QStringList, albumFiles);
    QFETCH(bool, nothingMessage);
    QFETCH(bool, navigation);
    Started s(cachePictures);
    for (const QString &name : albumFiles)
        writeFile(s.album + QLatin1Char('/') + name, jpegBytes(Qt::blue));
    s.chooseAlbum(MsgAnswer::Yes);
    if (cachePictures > 0)
        s.pressAlbumButton();
    else
        s.view->albumSwitch(); // no picture window to wait on
    QCOMPARE(s.dialogs.messages.size(), nothingMessage ? 2 : 1);
    if (nothingMessage) {
        QCOMPARE(s.dialogs.messages[1].text, QString::fromUtf8(kMsgAlbumNothingFound));
        QCOMPARE(s.dialogs.messages[1].icon, MsgIcon::Information);
    }
    QCOMPARE(s.view->Command12->isEnabled(), navigation);
    QCOMPARE(s.view->Command13->isEnabled(), navigation);
}

void TestAlbumSwitch::mainWindowUsableWhileWaiting()
{
    Started s(3, 20); // 21 ticks of 20 ms
    writeFile(s.album + QStringLiteral("/a.jpg"), jpegBytes(Qt::blue));
    s.chooseAlbum(MsgAnswer::Yes);
    bool checked = false;
    QTimer::singleShot(100, [&] {
        QVERIFY(noticeShown());
        // The main window pages on while the notice is up.
        s.view->Command13_Click();
        QCOMPARE(s.state.ListPos, 2);
        QCOMPARE(s.view->Label3->text(), QStringLiteral("2"));
        checked = true;
    });
    s.pressAlbumButton();
    QVERIFY(checked);
    QCOMPARE(s.state.ListCount, 1);
    QCOMPARE(s.state.ListPos, 0);
    // The picture opened meanwhile showed a file that is gone: it is closed too.
    QVERIFY(!s.view->pictureWindow());
    QVERIFY(!noticeShown());
}

void TestAlbumSwitch::mainWindowClosedWhileWaiting()
{
    Started s(3, 20);
    writeFile(s.album + QStringLiteral("/a.jpg"), jpegBytes(Qt::blue));
    s.chooseAlbum(MsgAnswer::Yes);
    QTimer::singleShot(100, [&] { s.view->close(); });
    s.pressAlbumButton();
    // The close emptied WorkDir; the album is not copied into it afterwards.
    QVERIFY(s.workFiles().isEmpty());
    QVERIFY(!noticeShown());
}

void TestAlbumSwitch::dialogDriveOrFolderGone()
{
    QTemporaryDir dir;
    Settings settings;
    ScriptedDialogs dialogs;
    const QString chosen = dir.filePath(QStringLiteral("pictures/2026"));
    QDir().mkpath(chosen);
    settings.setText(AlbumFolder, chosen);
    const QString unplugged = dir.filePath(QStringLiteral("unplugged-stick"));
    QList<AlbumVolume> volumes = mountedAlbumVolumes();
    volumes.append({unplugged, QStringLiteral("STICK")});
    FrmPhotoAlubum dialog(settings, dialogs, QString(), volumes);
    dialog.Form_Load();
    // A drive that is not ready: the lists stay where they were, without a message.
    const int stick = dialog.Drive1->findData(unplugged);
    dialog.Drive1->setCurrentIndex(stick);
    dialog.Drive1_Change();
    QCOMPARE(dialog.folder(), chosen);
    QCOMPARE(dialog.Label2->text(), QDir::toNativeSeparators(chosen));
    QVERIFY(dialog.Drive1->currentIndex() != stick);
    QVERIFY(dialogs.messages.isEmpty());
    // The chosen folder goes away (removed, its drive unmounted) before OK: the dialog stays,
    // at the nearest folder left, and says why.
    QVERIFY(QDir(chosen).removeRecursively());
    dialog.CmdOk_Click();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, QString::fromUtf8(kMsgAlbumFolderMissing));
    QVERIFY(!settings.isSet(AlbumChosen));
    QCOMPARE(settings.text(AlbumFolder), chosen);
    QCOMPARE(dialog.folder(), dir.filePath(QStringLiteral("pictures")));
    QVERIFY(dialog.result() != QDialog::Accepted);
}

QTEST_MAIN(TestAlbumSwitch)
#include "tst_albumswitch.moc"
