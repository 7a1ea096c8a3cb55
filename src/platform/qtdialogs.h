#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace velt {

// The real dialogs: QMessageBox with Japanese standard buttons, QInputDialog, QFileDialog and
// QProcess::startDetached (no shell, one argv element per argument, never waited for).
class QtDialogs : public UserDialogs
{
public:
    MsgAnswer messageBox(const QString &text, MsgIcon icon, MsgButtons buttons) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;

private:
    QString m_lastDir; // where the open dialog's last use ended
};

// Loads Qt's own Japanese texts (standard buttons, dialogs) into the application.
void installJapaneseTranslations();

} // namespace velt
