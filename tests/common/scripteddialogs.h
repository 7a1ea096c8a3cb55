#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>

// A UserDialogs for tests: records every call and answers from queues (defaults when empty).
class ScriptedDialogs : public velt::UserDialogs
{
public:
    struct Message
    {
        QString text;
        velt::MsgIcon icon;
        velt::MsgButtons buttons;
    };
    struct Start
    {
        QString program;
        QStringList arguments;
    };

    QList<Message> messages;
    QList<velt::FileDialogRequest> fileRequests;
    QList<Start> starts;
    QStringList inputPrompts;
    QStringList inputTitles;
    QStringList inputDefaults;

    QQueue<velt::MsgAnswer> answers;
    QQueue<std::optional<QString>> inputs;
    QQueue<std::optional<QString>> files;
    bool startSucceeds = true;
    // Object names of the modal windows shown, and what is done with each instead of waiting for
    // a user; a window without a scripted action is closed with its close box.
    QStringList modalWindows;
    QQueue<std::function<void(QObject *)>> modalActions;
    // Run during a message box, e.g. to check what the windows look like while it is up.
    std::function<void(const Message &)> onMessage;

    velt::MsgAnswer messageBox(const QString &text, velt::MsgIcon icon,
                               velt::MsgButtons buttons) override
    {
        messages.append({text, icon, buttons});
        if (onMessage)
            onMessage(messages.last());
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == velt::MsgButtons::Ok ? velt::MsgAnswer::Ok : velt::MsgAnswer::No;
    }
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override
    {
        inputPrompts.append(prompt);
        inputTitles.append(title);
        inputDefaults.append(defaultText);
        return inputs.isEmpty() ? std::nullopt : inputs.dequeue();
    }
    std::optional<QString> openFile(const velt::FileDialogRequest &request) override
    {
        fileRequests.append(request);
        return files.isEmpty() ? std::nullopt : files.dequeue();
    }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        starts.append({program, arguments});
        return startSucceeds;
    }
    void runModal(QObject *window, const std::function<void()> &) override
    {
        modalWindows.append(window->objectName());
        if (!modalActions.isEmpty())
            modalActions.dequeue()(window);
        else
            QMetaObject::invokeMethod(window, "close");
    }
};
