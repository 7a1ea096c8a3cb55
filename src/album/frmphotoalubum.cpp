#include "album/frmphotoalubum.h"

#include "album/albumscan.h"
#include "platform/folders.h"
#include "platform/formdesign.h"
#include "platform/language.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

namespace velt {

namespace {

const char *const kExplanation = QT_TRANSLATE_NOOP(
        "velt::FrmPhotoAlubum",
        "アルバムモードは、任意の画像格納フォルダーを選択し、観覧するためのものです。"
        "一度アルバムモードにすると、本製品を一度終了しないと、インターネット画像を見ることが"
        "出来なくなります。気に入ったインターネット画像を全てコピーしてから確認の為に、"
        "アルバムモードで確認するようにして下さい。");

} // namespace

FrmPhotoAlubum::FrmPhotoAlubum(Settings &settings, UserDialogs &dialogs,
                               const QString &fallbackFolder, const QList<AlbumVolume> &volumes,
                               QWidget *parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_fallback(fallbackFolder),
      m_volumes(volumes)
{
    setObjectName(QStringLiteral("FrmPhotoAlubum"));
    setWindowTitle(tr("アルバムモードのフォルダー選択"));
    QFont designFont(QStringLiteral("ＭＳ Ｐゴシック"));
    designFont.setPointSizeF(9);
    setFont(designFont);
    setFixedSize(twipsToPixels(QSize(4500, 3420)));
    createControls();
}

void FrmPhotoAlubum::createControls()
{
    Label1 = new QLabel(tr(kExplanation), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 120, 4335, 1095));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Six lines of 9-point text do not fit the designed height here; 8.25 points do.
    QFont smaller = Label1->font();
    smaller.setPointSizeF(8.25);
    Label1->setFont(smaller);
    QPalette darkRed = Label1->palette();
    darkRed.setColor(QPalette::WindowText, QColor(128, 0, 0));
    Label1->setPalette(darkRed);

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(twipsRect(120, 1320, 4335, 300));

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(twipsRect(120, 1680, 4335, 930));
    Dir1->setModel(m_model);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        Dir1->hideColumn(column);
    Dir1->setSelectionMode(QAbstractItemView::SingleSelection);
    Dir1->setUniformRowHeights(true);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 2640, 4335, 255));
    Label2->setAutoFillBackground(true);
    QPalette white = Label2->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Label2->setPalette(white);
    Label2->setFrameShape(QFrame::Panel);
    Label2->setFrameShadow(QFrame::Sunken);

    CmdOK = new QPushButton(tr("ＯＫ"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(twipsRect(120, 3000, 2175, 375));
    CmdCancel = new QPushButton(tr("キャンセル"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setGeometry(twipsRect(2400, 3000, 2055, 375));

    connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { Dir1_Change(); });
    // The model reads folders in the background: the chosen one comes into view once it is read.
    connect(m_model, &QFileSystemModel::directoryLoaded, this,
            [this] { Dir1->scrollTo(Dir1->currentIndex()); });
    connect(CmdOK, &QPushButton::clicked, this, &FrmPhotoAlubum::CmdOk_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmPhotoAlubum::CmdCancel_Click);
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, CmdOK);
    setTabOrder(CmdOK, CmdCancel);
}

void FrmPhotoAlubum::Form_Load()
{
    const QString start = albumStartFolder(m_settings.text(AlbumFolder), m_fallback);
    fillDrives();
    showFolder(start);
    m_settings.setFlag(AlbumChosen, false);
}

void FrmPhotoAlubum::fillDrives()
{
    const QSignalBlocker block(Drive1);
    Drive1->clear();
    for (const AlbumVolume &volume : std::as_const(m_volumes))
        Drive1->addItem(albumVolumeText(volume), volume.root);
}

void FrmPhotoAlubum::showFolder(const QString &folder)
{
    const QString root = volumeRootOf(folder);
    {
        // A folder on a drive the list does not have (mounted since) still gets its drive.
        const QSignalBlocker block(Drive1);
        int current = Drive1->findData(root);
        if (current < 0) {
            Drive1->addItem(QDir::toNativeSeparators(root), root);
            current = Drive1->count() - 1;
        }
        Drive1->setCurrentIndex(current);
    }
    if (m_model->rootPath() != root) {
        m_model->setRootPath(root);
        Dir1->setRootIndex(m_model->index(root));
    }
    const QModelIndex index = m_model->index(folder);
    // The folder list shows the way from the drive down to the folder.
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        Dir1->expand(up);
    Dir1->setCurrentIndex(index);
    Dir1->scrollTo(index);
    m_folder = folder;
    m_lastFolderOn.insert(root, folder);
    showInLabel2(folder);
}

void FrmPhotoAlubum::showInLabel2(const QString &folder)
{
    Label2->setText(folderLabelText(folder));
    // A path longer than the label shows its end: the folder's own name.
    const bool tooLong = Label2->fontMetrics().horizontalAdvance(Label2->text())
            > Label2->contentsRect().width();
    Label2->setAlignment((tooLong ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

void FrmPhotoAlubum::setFolder(const QString &folder)
{
    Dir1->setCurrentIndex(m_model->index(folder));
}

void FrmPhotoAlubum::Drive1_Change()
{
    const QString root = Drive1->currentData().toString();
    // A drive that is not ready (unmounted meanwhile): the folder list stays where it was.
    if (root.isEmpty() || !QStorageInfo(root).isReady()) {
        showFolder(m_folder);
        return;
    }
    // The folder last shown on that drive, as Windows keeps a current folder per drive.
    const QString last = m_lastFolderOn.value(root);
    showFolder(!last.isEmpty() && QFileInfo(last).isDir() ? last : root);
}

void FrmPhotoAlubum::Dir1_Change()
{
    const QString folder = m_model->filePath(Dir1->currentIndex());
    if (folder.isEmpty())
        return;
    m_folder = folder;
    m_lastFolderOn.insert(Drive1->currentData().toString(), folder);
    showInLabel2(folder);
}

void FrmPhotoAlubum::CmdOk_Click()
{
    // The folder may have gone since it was chosen (removed, its drive unmounted).
    if (!QFileInfo(m_folder).isDir()) {
        showFolder(albumStartFolder(m_folder, m_fallback));
        m_dialogs.messageBox(messageText(kMsgAlbumFolderMissing), MsgIcon::Exclamation,
                             MsgButtons::Ok);
        return;
    }
    m_settings.setText(AlbumFolder, folderToStore(Label2->text()));
    m_settings.setFlag(AlbumChosen, true);
    accept();
}

void FrmPhotoAlubum::CmdCancel_Click()
{
    m_settings.setFlag(AlbumChosen, false);
    reject();
}

} // namespace velt
