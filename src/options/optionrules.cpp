#include "options/optionrules.h"

#include "platform/language.h"

namespace velt {

const char *const kMsgReviewSizes =
        QT_TRANSLATE_NOOP("Messages", "最大値と最小値の値を見直してください。");
const char *const kMsgCheckDate =
        QT_TRANSLATE_NOOP("Messages", "日付の値をもう一度確認してください。");

OptionCheck checkOptions(const Settings &settings)
{
    if (settings.isSet(MinSizeOn) && settings.isSet(MaxSizeOn)
        && leadingNumber(settings.text(MaxSize)) < leadingNumber(settings.text(MinSize)))
        return OptionCheck::SizeFailed;
    const QString date = settings.text(FilterDate);
    if (date.size() > 10 || date.mid(4, 1) != QLatin1String("/")
        || date.mid(7, 1) != QLatin1String("/"))
        return OptionCheck::DateFailed;
    return OptionCheck::Passed;
}

OptionCheck storeOptions(Settings &settings, const OptionFields &fields)
{
    const Settings snapshot = settings;
    for (int box = 1; box <= 10; ++box)
        settings.setFlag(kOptionCheckSlots[box], fields.checks[box]);
    settings.setText(MinSize, fields.text1);
    settings.setText(MaxSize, fields.text2);
    settings.setText(FilterDate, fields.text3);
    const OptionCheck check = checkOptions(settings);
    if (check != OptionCheck::Passed)
        settings = snapshot;
    return check;
}

QString optionCheckMessage(OptionCheck check)
{
    switch (check) {
    case OptionCheck::SizeFailed:
        return messageText(kMsgReviewSizes);
    case OptionCheck::DateFailed:
        return messageText(kMsgCheckDate);
    case OptionCheck::Passed:
        break;
    }
    return QString();
}

QString filterDateText(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy/MM/dd"));
}

} // namespace velt
