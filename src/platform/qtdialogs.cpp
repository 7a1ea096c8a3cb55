#include "platform/qtdialogs.h"

#include "platform/namebytes.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTranslator>

#include <algorithm>

namespace velt {

static QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

MsgAnswer QtDialogs::messageBox(const QString &text, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(QStringLiteral("VELT"));
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.setText(shown);
    switch (icon) {
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons != MsgButtons::Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MsgButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

std::optional<QString> QtDialogs::inputBox(const QString &prompt, const QString &title,
                                           const QString &defaultText)
{
    bool ok = false;
    QString shown = prompt;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QString answer = QInputDialog::getText(dialogParent(), title, shown, QLineEdit::Normal,
                                                 defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest &request)
{
    // The folder, as the system's open dialog chooses it: the one it is given; else the folder of
    // its previous file; else where its last use ended.
    QString dir = request.initialDir;
    if (dir.isEmpty() && !request.fileName.isEmpty())
        dir = QFileInfo(request.fileName).absolutePath();
    if (dir.isEmpty())
        dir = m_lastDir;
    QFileDialog dialog(dialogParent(), request.title, dir);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = qtFilterList(request.filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty() && QFileInfo(request.fileName).absolutePath() == dir)
        dialog.selectFile(QFileInfo(request.fileName).fileName());
    const int result = dialog.exec();
    m_lastDir = dialog.directory().absolutePath();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool QtDialogs::startProgram(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return false;
    // A file name that is not UTF-8 is handed over as its bytes.
    const bool bytes = hasEscapedBytes(program)
            || std::any_of(arguments.begin(), arguments.end(),
                           [](const QString &a) { return hasEscapedBytes(a); });
    if (bytes)
        return startDetachedProgram(program, arguments);
    return QProcess::startDetached(program, arguments);
}

void installJapaneseTranslations()
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase_ja", "qtmultimedia_ja"}) {
        auto *translator = new QTranslator(qApp);
        if (translator->load(QString::fromLatin1(name), dir))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace velt
