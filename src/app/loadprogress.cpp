#include "app/loadprogress.h"

namespace velt {

const char *const kLabelSearchingIE = "ＩＥキャッシュファイルを検索中…";
const char *const kLabelSearchingNetscape = "ＮｅｔＳｃａｐｅキャッシュファイルを検索中…";
const char *const kLabelSearchingBrowsers = "ブラウザーキャッシュファイルを検索中…";
const char *const kLabelOrganizing = "取得したファイルを整理しています…";

} // namespace velt
