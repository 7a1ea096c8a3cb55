#include "app/loadprogress.h"

#include <QCoreApplication>

namespace velt {

const char *const kLabelSearchingIE =
        QT_TRANSLATE_NOOP("Messages", "ＩＥキャッシュファイルを検索中…");
const char *const kLabelSearchingNetscape =
        QT_TRANSLATE_NOOP("Messages", "ＮｅｔＳｃａｐｅキャッシュファイルを検索中…");
const char *const kLabelSearchingBrowsers =
        QT_TRANSLATE_NOOP("Messages", "ブラウザーキャッシュファイルを検索中…");
const char *const kLabelOrganizing =
        QT_TRANSLATE_NOOP("Messages", "取得したファイルを整理しています…");

} // namespace velt
