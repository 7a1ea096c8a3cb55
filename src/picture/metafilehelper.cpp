// velt-metafile FILE: draws a WMF or EMF file (FILE "-": standard input, as the loader runs it)
// and writes the picture on standard output, in the raster form of metafileformat.h. Exit status 0
// on success, 1 on any failure. The metafile libraries parse untrusted bytes and the SVG they make
// is parsed and drawn here too, so all of it runs in this process under resource limits; the caller
// adds a time limit.

#include "picture/metafileconvert.h"
#include "picture/metafileformat.h"
#include "picture/metafileraster.h"

#include <QByteArray>
#include <QGuiApplication>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr long kMaxInputBytes = 32L * 1024 * 1024;
constexpr rlim_t kMemoryLimit = 512UL * 1024 * 1024;
constexpr rlim_t kCpuSeconds = 10;

bool underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

void limitResources()
{
    auto setLimit = [](int resource, rlim_t value) {
        const rlimit limit{value, value};
        setrlimit(resource, &limit);
    };
    // The address-space limit would stop the sanitizer's shadow memory from being mapped.
    if (!underSanitizer())
        setLimit(RLIMIT_AS, kMemoryLimit);
    setLimit(RLIMIT_CPU, kCpuSeconds);
    // Nothing here has a reason to write a file. Only when the output is a pipe, as the loader
    // runs it: the limit would also stop output redirected into a file. A font cache that
    // cannot be written is then a failed write, not a signal.
    struct stat out
    {
    };
    if (fstat(STDOUT_FILENO, &out) == 0 && S_ISFIFO(out.st_mode)) {
        std::signal(SIGXFSZ, SIG_IGN);
        setLimit(RLIMIT_FSIZE, 0);
    }
    setLimit(RLIMIT_CORE, 0);
}

std::optional<QByteArray> readInput(const char *path)
{
    const bool standardInput = std::strcmp(path, "-") == 0;
    std::unique_ptr<FILE, int (*)(FILE *)> file(standardInput ? stdin : std::fopen(path, "rb"),
                                                &std::fclose);
    if (!file)
        return std::nullopt;
    QByteArray data;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        data.append(buffer, qsizetype(n));
        if (data.size() > kMaxInputBytes)
            return std::nullopt;
    }
    if (std::ferror(file.get()) || data.isEmpty())
        return std::nullopt;
    return data;
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &) { }

} // namespace

int main(int argc, char **argv)
{
    limitResources();
    if (argc != 2)
        return 1;
    auto data = readInput(argv[1]);
    if (!data)
        return 1;
    const std::optional<QByteArray> svg = velt::metafileToSvg(*data);
    data.reset();
    if (!svg || !velt::svgWithinLimits(*svg))
        return 1;

    // Text is drawn with the system's fonts, which need a GUI application; never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    const std::optional<QImage> image = velt::renderSvgWithinBudget(*svg);
    if (!image)
        return 1;
    const QByteArray output = velt::rasterOutput(*image);
    if (std::fwrite(output.constData(), 1, size_t(output.size()), stdout) != size_t(output.size()))
        return 1;
    return std::fflush(stdout) == 0 ? 0 : 1;
}
