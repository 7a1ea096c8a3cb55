#include "options/recollection.h"

#include "cache/collection.h"
#include "cache/ordering.h"
#include "platform/language.h"

namespace velt {

const char *const kMsgNothingUnderConditions = QT_TRANSLATE_NOOP(
        "Messages",
        "この条件での画像ファイルがインターネットキャッシュフォルダーにありませんでした。\r\n"
        "お好みのサイトに一度アクセスし、再度ZUDIを起動して下さい。");

void recollectWorkDir(MdlVELT &state, const Settings &settings, const ExtTable &ext,
                      const QDate &today, UserDialogs &dialogs, RecollectionHost &host)
{
    state.ListPos = 0;
    state.ListCount = 0;
    state.GifCount = 0;
    host.setNavigationEnabled(true);

    collectWorkDir(state, settings, ext, today, [&dialogs] {
        dialogs.messageBox(messageText(kMsgListLimit), MsgIcon::Exclamation, MsgButtons::Ok);
    });
    if (state.ListCount + state.GifCount == 0) {
        dialogs.messageBox(messageText(kMsgNothingUnderConditions), MsgIcon::Information,
                           MsgButtons::Ok);
        host.setNavigationEnabled(false);
    }
    GSort(state, settings.isSet(SortByTime));
    host.setCounters(state.ListPos, state.ListCount);
}

} // namespace velt
