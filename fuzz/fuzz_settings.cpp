// The settings reader: any bytes as VELT.ini. Reading never fails, and what is read is written
// back and read again unchanged.

#include "fuzzcommon.h"

#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    const QString path = fuzz::inputFile(data, size, QStringLiteral("VELT.ini"));
    Settings first;
    LoadSettings(first, path, QStringLiteral("/buffer"));
    for (int slot = 1; slot <= Settings::kSlots; ++slot)
        (void)first.isSet(slot);

    const QString copy = fuzz::workDir().filePath(QStringLiteral("copy.ini"));
    QString error;
    fuzz::require(SaveSettings(first, copy, &error));
    Settings second;
    LoadSettings(second, copy, QStringLiteral("/buffer"));
    for (int slot = 1; slot <= Settings::kSlots; ++slot)
        fuzz::require(first.text(slot) == second.text(slot));
    return 0;
}
