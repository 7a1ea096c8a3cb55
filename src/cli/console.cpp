#include "cli/console.h"

#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velt {

namespace {

// Set when the program started with standard output closed: what it prints goes nowhere.
bool g_stdoutWasClosed = false;

} // namespace

void holdStandardStreams()
{
#ifdef Q_OS_UNIX
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1)
            continue;
        if (fd == STDOUT_FILENO)
            g_stdoutWasClosed = true;
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
#endif
}

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

CheckedStdout::CheckedStdout()
{
    std::fflush(stdout);
    m_file.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    m_stream.setDevice(&m_file);
}

bool CheckedStdout::finish(const char *what)
{
    m_stream.flush();
    QString why;
    if (g_stdoutWasClosed)
        why = QStringLiteral("standard output is closed");
    else if (m_stream.status() != QTextStream::Ok)
        why = m_file.errorString();
    if (why.isEmpty())
        return true;
    printErr(QStringLiteral("velt: could not write %1: %2").arg(QLatin1String(what), why));
    return false;
}

} // namespace velt
