#include "cli/listcommand.h"

#include "cli/console.h"
#include "cli/optiontable.h"
#include "platform/printable.h"
#include "platform/workdir.h"

namespace velt {

int runList(MdlVELT &state, Settings &settings, const RegistrySource &registry,
            const DriveMap &drives, const QString &settingsPath)
{
    ConsoleDialogs dialogs;
    ConsoleHost host;
    LoadSettings(settings, settingsPath, state.BufferDir);
    ExtTable ext = ExtTable::standard();
    CollectionContext ctx{state, settings, ext, registry, drives, dialogs, host};
    GetICPath(ctx);
    // One entry a line, whatever a name holds.
    CheckedStdout output;
    QTextStream &out = output.stream();
    for (int i = 1; i <= state.ListCount; ++i)
        out << i << '\t' << printableText(state.ListLine[i]) << '\n';
    for (int i = 1; i <= state.GifCount; ++i)
        out << "GIF\t" << printableText(state.GifFile[i]) << '\n';
    const bool written = output.finish("the list");
    // Emptied as the close does; the settings file is left as it was.
    if (state.ListCount + state.GifCount != 0)
        emptyWorkFolder(state);
    return written ? kExitOk : kExitFailure;
}

} // namespace velt
