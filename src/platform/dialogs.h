#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;

// Everything modal or outside goes through UserDialogs: message and input boxes, file dialogs,
// starting a program, and the program's own modal windows (runModal: the real seam calls exec(),
// the scripted one in tests acts on the window instead). QtDialogs is the real one;
// ConsoleDialogs answers by default and prints to standard error for the window-less modes;
// tests use tests/common/scripteddialogs.h, which records and answers from a queue.

namespace velt {

enum class MsgIcon { Critical, Exclamation, Information, Question };
// YesNo has Yes as the default button, YesNoDefaultNo has No.
enum class MsgButtons { Ok, YesNo, YesNoDefaultNo };
enum class MsgAnswer { Ok, Yes, No };

// Windows' answer codes, as the stop question stores them.
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

struct FileDialogRequest
{
    QString title;
    QString initialDir;
    QString fileName;
    // In the "description|pattern|description|pattern" form; the first pair is selected.
    QString filter;
    QString defaultSuffix;
};

// Everything modal or outside the program goes through here: message boxes, input boxes, file
// dialogs and starting programs. Windows get one passed in; tests pass a scripted one.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    // Title is "VELT" everywhere in this program.
    virtual MsgAnswer messageBox(const QString &text, MsgIcon icon, MsgButtons buttons) = 0;
    // Empty optional when cancelled.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText) = 0;
    // Empty optional when cancelled; otherwise the chosen full path.
    virtual std::optional<QString> openFile(const FileDialogRequest &request) = 0;
    // Starts program with one argument, never waits. False when it could not be started.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
    // Shows one of the program's own windows modally: show runs it (exec()) and returns when it
    // closes. Tests act on the window instead.
    virtual void runModal(QObject * /*window*/, const std::function<void()> &show) { show(); }
};

// Answers every question by its default (OK, or No for Yes/No), writes texts to standard
// error and starts nothing: for the command-line modes and screenshots without a user.
class ConsoleDialogs : public UserDialogs
{
public:
    MsgAnswer messageBox(const QString &text, MsgIcon icon, MsgButtons buttons) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
};

// "description|pattern|..." to Qt's "description (patterns);;..." form, same order.
QStringList qtFilterList(const QString &designFilter);

} // namespace velt
