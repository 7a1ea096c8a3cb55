#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velt {

// The program's own language is Japanese: its texts are the source texts of the translation
// system, and English comes from translations/velt_en.ts, compiled into the program.
enum class UiLanguage { Japanese, English };

// "ja" or "en" (any case, "ja_JP.UTF-8" and "en-GB" too); nothing for anything else.
std::optional<UiLanguage> languageFromName(const QString &name);

// The choice at start: the --lang value, else VELT_LANG, else the first of the desktop's UI
// languages: Japanese for Japanese and for the C/POSIX locale (scripts and tests see the
// program's own texts), English for every other language. An unknown value is passed over.
UiLanguage chooseUiLanguage(const QString &option, const QString &environment,
                            const QStringList &uiLanguages);

// The same with VELT_LANG and QLocale::uiLanguages() of this process.
UiLanguage chooseUiLanguage(const QString &option);

// Sets the language for this process: English loads the compiled English texts. Works before
// the application object exists; installUiTranslations() hands them to it once it does.
void setUiLanguage(UiLanguage language);
UiLanguage uiLanguage();
void installUiTranslations();

// A translated text where there may be no application object yet (the command line); mark the
// source with QT_TRANSLATE_NOOP so that lupdate finds it.
QString uiText(const char *context, const char *source);

// A message box's, prompt's or progress window's text, marked QT_TRANSLATE_NOOP("Messages", ...)
// where it is defined.
QString messageText(const char *source);

} // namespace velt
