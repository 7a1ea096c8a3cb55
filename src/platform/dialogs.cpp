#include "platform/dialogs.h"

#include <cstdio>

namespace velt {

MsgAnswer ConsoleDialogs::messageBox(const QString &text, MsgIcon, MsgButtons buttons)
{
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    std::fprintf(stderr, "VELT: %s\n", oneLine.toLocal8Bit().constData());
    std::fflush(stderr);
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
}

std::optional<QString> ConsoleDialogs::inputBox(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::openFile(const FileDialogRequest &)
{
    return std::nullopt;
}

bool ConsoleDialogs::startProgram(const QString &, const QStringList &)
{
    return false;
}

QStringList qtFilterList(const QString &designFilter)
{
    const QStringList parts = designFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The description already names its patterns; Qt reads the ones in the last
        // parentheses, so append the real pattern list there.
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

} // namespace velt
