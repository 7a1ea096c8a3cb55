// The language chosen at start from --lang, VELT_LANG and the desktop's UI languages.

#include "platform/language.h"

#include <QTest>

using namespace velt;

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<bool>("english");
        const QStringList none;
        QTest::newRow("Japanese desktop") << ""
                                          << "" << QStringList{"ja-JP", "en-US"} << false;
        QTest::newRow("Japanese, no region") << ""
                                             << "" << QStringList{"ja"} << false;
        QTest::newRow("American desktop") << ""
                                          << "" << QStringList{"en-US", "en"} << true;
        QTest::newRow("German desktop") << ""
                                        << "" << QStringList{"de-DE", "ja-JP"} << true;
        QTest::newRow("Chinese desktop") << ""
                                         << "" << QStringList{"zh-Hans-CN"} << true;
        QTest::newRow("C locale") << ""
                                  << "" << QStringList{"C"} << false;
        QTest::newRow("POSIX locale") << ""
                                      << "" << QStringList{"POSIX"} << false;
        QTest::newRow("C as Qt spells it") << ""
                                           << "" << QStringList{"en-US-u-va-posix"} << false;
        QTest::newRow("no languages") << ""
                                      << "" << none << false;
        QTest::newRow("VELT_LANG en on a Japanese desktop") << ""
                                                            << "en" << QStringList{"ja"} << true;
        QTest::newRow("VELT_LANG ja on an English desktop")
                << ""
                << "ja" << QStringList{"en-GB"} << false;
        QTest::newRow("VELT_LANG as a locale name") << ""
                                                    << "en_GB.UTF-8" << QStringList{"ja"} << true;
        QTest::newRow("unknown VELT_LANG passed over") << ""
                                                       << "fr" << QStringList{"ja"} << false;
        QTest::newRow("--lang before VELT_LANG") << "ja"
                                                 << "en" << QStringList{"en"} << false;
        QTest::newRow("--lang EN in capitals") << "EN"
                                               << "" << QStringList{"ja"} << true;
        QTest::newRow("unknown --lang passed over") << "xx"
                                                    << "en" << QStringList{"ja"} << true;
    }

    void choice()
    {
        QFETCH(QString, option);
        QFETCH(QString, environment);
        QFETCH(QStringList, uiLanguages);
        QFETCH(bool, english);
        QCOMPARE(chooseUiLanguage(option, environment, uiLanguages) == UiLanguage::English,
                 english);
    }

    // The English texts are built in; without an application object too (the command line).
    void englishTexts()
    {
        setUiLanguage(UiLanguage::English);
        QCOMPARE(uiLanguage(), UiLanguage::English);
        QCOMPARE(messageText(QT_TRANSLATE_NOOP("Messages", "名前の変更")),
                 QStringLiteral("Rename"));
        setUiLanguage(UiLanguage::Japanese);
        QCOMPARE(messageText(QT_TRANSLATE_NOOP("Messages", "名前の変更")),
                 QStringLiteral("名前の変更"));
    }
};

QTEST_APPLESS_MAIN(TestLanguage)
#include "tst_language.moc"
