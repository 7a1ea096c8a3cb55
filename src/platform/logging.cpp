#include "platform/logging.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace velt {

namespace {

QtMessageHandler g_previous = nullptr;

void filterMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (g_previous) {
        g_previous(type, context, message);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

void printProblem(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void installMessageFilter()
{
    if (qEnvironmentVariableIntValue("VELT_DEBUG") != 0)
        return;
    g_previous = qInstallMessageHandler(filterMessage);
}

} // namespace velt
