// velt-metafile FILE: converts a WMF or EMF file to SVG (UTF-8) on standard output.
// Exit status 0 on success, 1 on any failure. The metafile libraries parse untrusted bytes, so
// this runs as its own process under resource limits; the caller adds a time limit.

#include "metafileformat.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

constexpr long kMaxInputBytes = 32L * 1024 * 1024;
constexpr rlim_t kMemoryLimit = 512UL * 1024 * 1024;
constexpr rlim_t kCpuSeconds = 10;
constexpr double kScreenDpi = 96.0;

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
    // runs it: the limit would also stop output redirected into a file.
    struct stat out
    {
    };
    if (fstat(STDOUT_FILENO, &out) == 0 && S_ISFIFO(out.st_mode))
        setLimit(RLIMIT_FSIZE, 0);
    setLimit(RLIMIT_CORE, 0);
}

std::optional<QByteArray> readInput(const char *path)
{
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(path, "rb"), &std::fclose);
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

struct WmfApiDeleter
{
    void operator()(wmfAPI *api) const { wmf_api_destroy(api); }
};

std::optional<QByteArray> wmfToSvg(QByteArray &data)
{
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL;
    wmfAPI *raw = nullptr;
    const wmf_error_t created = wmf_api_create(&raw, flags, &options);
    std::unique_ptr<wmfAPI, WmfApiDeleter> api(raw);
    if (created != wmf_E_None || !api)
        return std::nullopt;
    if (wmf_mem_open(api.get(), reinterpret_cast<unsigned char *>(data.data()), long(data.size()))
        != wmf_E_None)
        return std::nullopt;
    wmfD_Rect bbox{};
    if (wmf_scan(api.get(), 0, &bbox) != wmf_E_None)
        return std::nullopt;

    unsigned int width = 0;
    unsigned int height = 0;
    if (wmf_display_size(api.get(), &width, &height, kScreenDpi, kScreenDpi) != wmf_E_None
        || width == 0 || height == 0)
        return std::nullopt;

    wmf_svg_t *device = WMF_SVG_GetData(api.get());
    device->out = wmf_stream_create(api.get(), nullptr);
    if (!device->out)
        return std::nullopt;
    static char description[] = "velt";
    device->Description = description;
    device->bbox = bbox;
    device->width = width;
    device->height = height;
    // Bitmaps go into the SVG as data; without this flag the device would write PNG files.
    device->flags |= WMF_SVG_INLINE_IMAGES;

    const wmf_error_t played = wmf_play(api.get(), 0, &bbox);
    char *svg = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api.get(), device->out, &svg, &length);
    device->out = nullptr;
    if (played != wmf_E_None || !svg || length == 0)
        return std::nullopt;
    // libwmf copies the metafile's text bytes as they are: Shift-JIS in the files of interest.
    const QByteArray raw8(svg, qsizetype(length));
    QStringDecoder decoder("CP932");
    if (!decoder.isValid())
        return raw8;
    return QString(decoder(raw8)).toUtf8();
}

std::optional<QByteArray> emfToSvg(QByteArray &data)
{
    static char nameSpace[] = "svg";
    generatorOptions options{};
    options.nameSpace = nameSpace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    char *svg = nullptr;
    size_t length = 0;
    const int ok = emf2svg(data.data(), size_t(data.size()), &svg, &length, &options);
    std::unique_ptr<char, void (*)(void *)> owned(svg, &std::free);
    if (ok != 1 || !svg || length == 0)
        return std::nullopt;
    return QByteArray(svg, qsizetype(length));
}

} // namespace

int main(int argc, char **argv)
{
    limitResources();
    if (argc != 2)
        return 1;
    auto data = readInput(argv[1]);
    if (!data)
        return 1;

    std::optional<QByteArray> svg;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data->constData());
    switch (velt::metafileKindOf(bytes, size_t(data->size()))) {
    case velt::MetafileKind::Wmf:
        svg = wmfToSvg(*data);
        break;
    case velt::MetafileKind::Emf:
        svg = emfToSvg(*data);
        break;
    case velt::MetafileKind::None:
        break;
    }
    if (!svg || svg->isEmpty())
        return 1;
    if (std::fwrite(svg->constData(), 1, size_t(svg->size()), stdout) != size_t(svg->size()))
        return 1;
    return std::fflush(stdout) == 0 ? 0 : 1;
}
