#include "viewer/viewerfiles.h"

#include "platform/formdesign.h"
#include "platform/language.h"
#include "platform/namebytes.h"
#include "platform/qtmediaplayer.h"
#include "viewer/frmsend.h"
#include "viewer/frmview.h"
#include "viewer/openfile.h"
#include "viewer/playback.h"
#include "viewer/sendcopy.h"

#include <QCoreApplication>
#include <QPushButton>

namespace velt {

ViewerFiles::ViewerFiles(FrmView &view, MdlVELT &state, Settings &settings, UserDialogs &dialogs)
    : m_view(view), m_state(state), m_settings(settings), m_dialogs(dialogs)
{
}

void ViewerFiles::open()
{
    m_view.unloadPicture();
    try {
        const std::optional<QString> chosen = m_dialogs.openFile(m_view.CommonDialog1);
        // The next use opens where this one ended, until a collection sets WorkDir again.
        m_view.CommonDialog1.initialDir.clear();
        if (!chosen || chosen->isEmpty())
            return;
        // A dialog shows a name that is not UTF-8 with replacement characters and hands that
        // back: the file it names is found by its bytes.
        const QString path = resolveLossyPath(*chosen);
        m_view.CommonDialog1.fileName = path;
        m_view.m_fn = path;
        const OpenKind kind = openKind(m_view.m_fn, m_view.extTable());
        if (kind == OpenKind::Picture || kind == OpenKind::Gif)
            openPicture(kind == OpenKind::Gif);
        else if (kind == OpenKind::Media)
            openMedia();
        else
            m_dialogs.messageBox(messageText(kMsgNotSupported), MsgIcon::Information,
                                 MsgButtons::Ok);
        m_view.Command15->setEnabled(true);
    } catch (const std::exception &) {
        openFailed();
    }
}

void ViewerFiles::openPicture(bool gif)
{
    m_view.DisableButtons();
    m_state.PicOwner = 0;
    if (gif) {
        m_dialogs.messageBox(messageText(kMsgGifNotShown), MsgIcon::Critical, MsgButtons::Ok);
    } else {
        m_view.openPictureWindow();
        m_openedFile = m_view.m_fn;
        m_view.DisplayMode = 3;
    }
    m_view.EnableButtons();
}

void ViewerFiles::openMedia()
{
    m_view.DisplayMode = 1;
    m_openedFile = m_view.m_fn;
    {
        WaitCursor wait(&m_view);
        m_view.MediaPlayer1->setFileName(m_view.m_fn);
    }
    if (m_view.MediaPlayer1->fileName().isEmpty()) {
        const Handoff handoff = outsidePlayerFor(m_view.m_fn, m_settings);
        // A player that cannot be started gets the message of a missing one.
        if (handoff.program.isEmpty() || !m_dialogs.startProgram(handoff.program, {m_view.m_fn}))
            m_dialogs.messageBox(handoff.message, MsgIcon::Exclamation, MsgButtons::Ok);
    }
    resetAfterOpening(*m_view.MediaPlayer1);
    m_view.setWindowTitle(openedCaption(m_view.m_fn));
    m_view.FitToPlayer();
    m_view.MediaPlayer1->stop();
    m_view.showRate();
}

void ViewerFiles::openFailed()
{
    resetAfterFailure(*m_view.MediaPlayer1);
    m_view.setWindowTitle(QStringLiteral("VELT"));
    m_view.DisplayMode = 0;
    // An error while the buttons were off for a picture must not leave the window dead.
    if (!m_view.Command1->isEnabled())
        m_view.EnableButtons();
}

void ViewerFiles::copy()
{
    const CopyJob job = copyJobFor(m_view.DisplayMode, m_state.ListPos, m_openedFile,
                                   m_state.WorkDir, m_state.ListFile.value(m_state.ListPos));
    if (job.kind == CopyKind::Nothing || m_copying)
        return;
    const bool picture = job.kind == CopyKind::Picture;
    if (picture)
        m_view.unloadPicture();
    {
        FrmSend send(m_settings, m_dialogs, m_view.DisplayMode, m_state.WorkDir, &m_view);
        send.Form_Load();
        m_dialogs.runModal(&send, [&send] { send.exec(); });
    }
    bool copied = true;
    {
        WaitCursor wait(&m_view);
        if (m_settings.isSet(CopyConfirmed)) {
            const SendPlan plan =
                    planCopy(job, m_settings.text(destinationSlot(m_view.DisplayMode)),
                             m_settings.text(CopyNewName));
            // A long copy lets the window repaint between chunks; clicks, keys and a close
            // wait until it ends.
            m_copying = true;
            copied = copyFileSafely(job.source, plan.destination, [] {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
            m_copying = false;
            if (copied)
                m_dialogs.messageBox(plan.message, MsgIcon::Information, MsgButtons::Ok);
        }
    }
    if (!copied) {
        m_dialogs.messageBox(messageText(kMsgCopyFailed), MsgIcon::Critical, MsgButtons::Ok);
        return;
    }
    if (picture) {
        // The picture comes back, also when another file was chosen with the File button since.
        m_view.m_fn = job.source;
        m_view.openPictureWindow();
        if (m_state.PicOwner == 1 && m_view.focusIndexList)
            m_view.focusIndexList();
    }
}

} // namespace velt
