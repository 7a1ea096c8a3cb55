// The registry-file parser: any bytes as a registry export. Never fails, memory stays a small
// multiple of the input, and the reads the start-up makes answer.

#include "fuzzcommon.h"

#include "cache/regfile.h"
#include "cache/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    RegFileStore store;
    const QStringList problems = parseRegFile(fuzz::bytes(data, size), QStringLiteral("f"), store);
    fuzz::require(problems.size() <= kMaxReportedProblems + 1);
    fuzz::require(store.memoryBytes() <= 16 * size + 4096);

    QString value;
    GetKeyValue(store, kHKEY_LOCAL_MACHINE,
                QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\"
                               "CurrentVersion"),
                QStringLiteral("SystemRoot"), value);
    GetKeyValue(store, kHKEY_LOCAL_MACHINE, QStringLiteral("K"), QString(), value);
    GetKeyValue(store, kHKEY_CURRENT_USER, QStringLiteral("a\\b"), QStringLiteral("c"), value);
    (void)store.keyExists(kHKEY_LOCAL_MACHINE, "K\\sub");
    (void)store.keyCount();
    return 0;
}
