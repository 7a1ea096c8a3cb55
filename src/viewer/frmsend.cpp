#include "viewer/frmsend.h"

#include "platform/formdesign.h"
#include "platform/language.h"
#include "viewer/sendcopy.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

namespace velt {

FrmSend::FrmSend(Settings &settings, UserDialogs &dialogs, int displayMode, const QString &workDir,
                 QWidget *parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_displayMode(displayMode),
      m_workDir(workDir)
{
    setObjectName(QStringLiteral("FrmSend"));
    setWindowTitle(tr("指定フォルダーへファイルのコピー"));
    setModal(true);
    // The controls end at 5295 x 2775 twips; the same margin again on the right and below.
    setFixedSize(twipsToPixels(QSize(5415, 2895)));

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setToolTip(tr("コピー先ドライブを変更します。"));
    Drive1->setGeometry(twipsRect(120, 120, 3495, 300));

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setReadOnly(true);
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setToolTip(tr("コピー先フォルダーを変更します。"));
    Dir1->setGeometry(twipsRect(120, 480, 3495, 1980));
    Dir1->setModel(m_folders);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        Dir1->hideColumn(column);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setToolTip(tr("現在のコピー先です。"));
    Label1->setGeometry(twipsRect(120, 2520, 5175, 255));
    const ControlDesign<QPushButton> buttons[] = {
            {&Command1, "Command1", QT_TR_NOOP("コピー"),
             QT_TR_NOOP("そのままの名前でコピーします。"), 3840, 120, 1455, 495},
            {&Command4, "Command4", QT_TR_NOOP("名前変更コピー"),
             QT_TR_NOOP("名前を変更してコピーします。"), 3840, 720, 1455, 495},
            {&Command2, "Command2", QT_TR_NOOP("中止"), QT_TR_NOOP("コピーを中止します。"), 3840,
             1320, 1455, 495},
            {&Command3, "Command3", QT_TR_NOOP("指定ﾌｫﾙﾀﾞ-登録"),
             QT_TR_NOOP("現在選択されているフォルダーをコピー先として登録します。"), 3840, 1920,
             1455, 495},
    };
    for (const auto &d : buttons)
        d.create(this);

    QWidget *previous = Command1;
    for (QWidget *next : {(QWidget *)Command4, (QWidget *)Command2, (QWidget *)Command3,
                          (QWidget *)Drive1, (QWidget *)Dir1}) {
        setTabOrder(previous, next);
        previous = next;
    }
    // Key preview: Esc reaches the window whatever has the focus.
    installEventFilter(this);
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);

    connect(Command1, &QPushButton::clicked, this, &FrmSend::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmSend::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmSend::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmSend::Command4_Click);
    connect(Drive1, &QComboBox::activated, this, &FrmSend::Drive1_Change);
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FrmSend::Dir1_Change);
    // The folders are listed in the background; the current one stays in view as they arrive.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this,
            [this] { Dir1->scrollTo(Dir1->currentIndex()); });
}

void FrmSend::fillDrives(const QString &currentRoot)
{
    Drive1->clear();
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        const QString name = volume.displayName();
        Drive1->addItem(name == root ? QDir::toNativeSeparators(root)
                                     : QDir::toNativeSeparators(root) + QStringLiteral(" [") + name
                                        + QLatin1Char(']'),
                        root);
    }
    int current = Drive1->findData(currentRoot);
    if (current < 0) {
        Drive1->addItem(QDir::toNativeSeparators(currentRoot), currentRoot);
        current = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(current);
}

void FrmSend::Form_Load()
{
    const QString folder = m_settings.text(destinationSlot(m_displayMode));
    // A stored folder deleted since keeps its name in the label, so a copy there fails with the
    // one message; the lists open at the nearest folder that exists, and another can be set.
    const QString shown = nearestExistingFolder(folder);
    fillDrives(volumeRootOf(shown));
    setDir1Path(shown);
    Label1->setText(folderLabelText(QFileInfo(folder).isDir() ? dir1Path() : folder));
    Command3->setEnabled(false);
    Label1->setEnabled(false);
    Command1->setFocus(Qt::OtherFocusReason);
}

QString FrmSend::dir1Path() const
{
    return m_folders->filePath(Dir1->currentIndex());
}

void FrmSend::setDir1Path(const QString &path)
{
    const QString root = volumeRootOf(path);
    if (m_folders->rootPath() != root) {
        m_folders->setRootPath(root);
        Dir1->setRootIndex(m_folders->index(root));
    }
    const QModelIndex index = m_folders->index(path);
    if (!index.isValid())
        return;
    // The folder list shows the way from the drive down to the folder, and the folder's own.
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        Dir1->expand(up);
    Dir1->setCurrentIndex(index);
    Dir1->scrollTo(index);
}

void FrmSend::Dir1_Change()
{
    Label1->setEnabled(true);
    Label1->setText(folderLabelText(dir1Path()));
    Command3->setEnabled(true);
}

void FrmSend::Drive1_Change()
{
    Label1->setEnabled(true);
    const QString root = Drive1->currentData().toString();
    // A drive that is not ready leaves Dir1 where it was.
    if (QStorageInfo(root).isReady())
        setDir1Path(root);
    Label1->setText(folderLabelText(dir1Path()));
    Command3->setEnabled(true);
}

void FrmSend::Command3_Click()
{
    if (isSameFolder(Label1->text(), m_workDir)) {
        m_dialogs.messageBox(messageText(kMsgWorkFolderNotAllowed), MsgIcon::Critical,
                             MsgButtons::Ok);
        return;
    }
    Command3->setEnabled(false);
    Label1->setEnabled(false);
    Label1->setText(folderToStore(Label1->text()));
    m_settings.setText(destinationSlot(m_displayMode), Label1->text());
}

void FrmSend::Command1_Click()
{
    finish(true, QString());
}

void FrmSend::Command2_Click()
{
    finish(false, QString());
}

void FrmSend::Command4_Click()
{
    const std::optional<QString> answer =
            m_dialogs.inputBox(messageText(kPromptNewName), messageText(kTitleNewName), QString());
    const QString name = answer.value_or(QString());
    switch (checkNewName(name)) {
    case NewNameCheck::Empty:
        return;
    case NewNameCheck::Refused:
        m_dialogs.messageBox(messageText(kMsgNoExtension), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    case NewNameCheck::Accepted:
        finish(true, name);
        return;
    }
}

bool FrmSend::Form_KeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    Command2_Click();
    return true;
}

void FrmSend::finish(bool confirmed, const QString &newName)
{
    m_settings.setFlag(CopyConfirmed, confirmed);
    m_settings.setText(CopyNewName, newName);
    m_finished = true;
    setCursor(Qt::WaitCursor);
    done(confirmed ? Accepted : Rejected);
}

bool FrmSend::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && Form_KeyDown(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void FrmSend::showEvent(QShowEvent *event)
{
    m_finished = false; // each showing asks anew
    QDialog::showEvent(event);
}

void FrmSend::reject()
{
    if (!m_finished)
        Command2_Click();
}

void FrmSend::closeEvent(QCloseEvent *event)
{
    if (!m_finished)
        Command2_Click();
    event->accept();
}

} // namespace velt
