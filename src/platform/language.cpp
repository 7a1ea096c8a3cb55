#include "platform/language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace velt {

namespace {

UiLanguage g_language = UiLanguage::Japanese;

std::unique_ptr<QTranslator> &englishTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

std::optional<UiLanguage> languageFromName(const QString &name)
{
    const QString code = name.section(QLatin1Char('.'), 0, 0)
                                 .section(QLatin1Char('_'), 0, 0)
                                 .section(QLatin1Char('-'), 0, 0)
                                 .toLower();
    if (code == QLatin1String("ja"))
        return UiLanguage::Japanese;
    if (code == QLatin1String("en"))
        return UiLanguage::English;
    return std::nullopt;
}

UiLanguage chooseUiLanguage(const QString &option, const QString &environment,
                            const QStringList &uiLanguages)
{
    for (const QString &forced : {option, environment}) {
        if (const std::optional<UiLanguage> language = languageFromName(forced))
            return *language;
    }
    const QString first = uiLanguages.value(0).trimmed();
    const QString code = first.section(QLatin1Char('.'), 0, 0);
    if (first.isEmpty() || code == QLatin1String("C") || code == QLatin1String("POSIX")
        || code.startsWith(QLatin1String("en-US-u-va-posix"))
        || languageFromName(first) == UiLanguage::Japanese)
        return UiLanguage::Japanese;
    return UiLanguage::English;
}

UiLanguage chooseUiLanguage(const QString &option)
{
    return chooseUiLanguage(option, qEnvironmentVariable("VELT_LANG"),
                            QLocale::system().uiLanguages());
}

void setUiLanguage(UiLanguage language)
{
    g_language = language;
    std::unique_ptr<QTranslator> &translator = englishTranslator();
    if (language == UiLanguage::Japanese) {
        if (translator && QCoreApplication::instance())
            QCoreApplication::removeTranslator(translator.get());
        translator.reset();
        return;
    }
    if (translator)
        return;
    translator = std::make_unique<QTranslator>();
    // Without the compiled texts the program still works, in its own language.
    if (!translator->load(QStringLiteral(":/velt/i18n/velt_en.qm"))) {
        translator.reset();
        g_language = UiLanguage::Japanese;
    }
}

UiLanguage uiLanguage()
{
    return g_language;
}

void installUiTranslations()
{
    if (const std::unique_ptr<QTranslator> &translator = englishTranslator();
        translator && QCoreApplication::instance())
        QCoreApplication::installTranslator(translator.get());
}

QString uiText(const char *context, const char *source)
{
    if (QCoreApplication::instance())
        return QCoreApplication::translate(context, source);
    if (const std::unique_ptr<QTranslator> &translator = englishTranslator()) {
        const QString text = translator->translate(context, source);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(source);
}

QString messageText(const char *source)
{
    return uiText("Messages", source);
}

} // namespace velt
