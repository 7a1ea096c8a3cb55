#include "viewer/viewerdesign.h"

namespace velt {

const DesignedControl kViewerButtons[kViewerButtonCount] = {
        {"Command1", QT_TRANSLATE_NOOP("velt::FrmView", "ファイル"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画・画像ファイルの読み込み"), 120, 5160, 855, 495},
        {"Command7", QT_TRANSLATE_NOOP("velt::FrmView", "１倍"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画サイズ１倍"), 1080, 5160, 615, 495},
        {"Command9", QT_TRANSLATE_NOOP("velt::FrmView", "標準"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画サイズ標準"), 1800, 5160, 615, 495},
        {"Command6", QT_TRANSLATE_NOOP("velt::FrmView", "SPEED ×1"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画スピード１倍"), 2760, 5160, 1215, 495},
        {"Command4", QT_TRANSLATE_NOOP("velt::FrmView", "SPEED　　　UP"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画スピードアップ(Max6倍)"), 4080, 5160, 1335, 495},
        {"Command2", QT_TRANSLATE_NOOP("velt::FrmView", "クリア"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画や画像の消去"), 120, 5760, 855, 495},
        {"Command8", QT_TRANSLATE_NOOP("velt::FrmView", "２倍"),
         QT_TRANSLATE_NOOP("velt::FrmView", "動画サイズ２倍"), 1080, 5760, 615, 495},
        {"Command10", "1/2S",
         QT_TRANSLATE_NOOP("velt::FrmView", "動画サイズ１／２スクリーンモード"), 1800, 5760, 615,
         495},
        {"Command5", "SPEED SLOW", QT_TRANSLATE_NOOP("velt::FrmView", "動画スピード０．０５倍"),
         2760, 5760, 1215, 495},
        {"Command3", "SPEED DOWN",
         QT_TRANSLATE_NOOP("velt::FrmView", "動画スピードダウン(Min0.1倍)"), 4080, 5760, 1335, 495},
        {"Command12", "", QT_TRANSLATE_NOOP("velt::FrmView", "インターネット画像[前]"), 120, 6360,
         800, 350},
        {"Command13", "", QT_TRANSLATE_NOOP("velt::FrmView", "インターネット画像[次]"), 1080, 6360,
         800, 350},
        {"Command14", QT_TRANSLATE_NOOP("velt::FrmView", "一覧"),
         QT_TRANSLATE_NOOP("velt::FrmView", "一覧で検索します"), 3000, 6360, 615, 375},
        {"Command15", QT_TRANSLATE_NOOP("velt::FrmView", "送る"),
         QT_TRANSLATE_NOOP("velt::FrmView", "表示中の動画・画像を指定場所にコピーします"), 3600,
         6360, 615, 375},
        {"Command11", "",
         QT_TRANSLATE_NOOP("velt::FrmView", "バージョン情報・画像取得オプションの設定"), 2520, 5160,
         135, 1095},
};

const DesignedControl kViewerLabels[kViewerLabelCount] = {
        {"Label3", "12345", QT_TRANSLATE_NOOP("velt::FrmView", "表示画像番号"), 1920, 6480, 495,
         255},
        {"Label4", QT_TRANSLATE_NOOP("velt::FrmView", "："), "", 2400, 6480, 135, 255},
        {"Label5", "12345",
         QT_TRANSLATE_NOOP("velt::FrmView", "インターネット一時ファイル画像総数"), 2520, 6480, 495,
         255},
        {"Label1", "0.05", QT_TRANSLATE_NOOP("velt::FrmView", "動画スピード倍率"), 4320, 6360, 615,
         375},
        {"Label2", QT_TRANSLATE_NOOP("velt::FrmView", "倍"), "", 5040, 6360, 375, 375},
};

int fittedTop(int designTop, const ViewerLayout &layout)
{
    if (designTop < 5760)
        return layout.rowBase;
    if (designTop < 6360)
        return layout.secondRow;
    return layout.thirdRow;
}

} // namespace velt
