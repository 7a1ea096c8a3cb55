#include "app/settings.h"
#include "viewer/openfile.h"

#include <QTest>

using namespace velt;

class TestOpenFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void outsidePlayer_data();
    void outsidePlayer();
};

// Settings: RealPlayer at /r, QuickTime at /q unless a row switches one off ("real off",
// "quicktime off") or leaves it out ("no real").
void TestOpenFile::outsidePlayer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("players");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("firstLine");
    const QString real =
            QStringLiteral("リアルプレイヤーがセットアップされていないか呼び出し無効のようです。");
    const QString qt = QStringLiteral(
            "クイックタイムプレイヤーがセットアップされていないか呼び出し無効のようです。");
    const QString player = QStringLiteral("このファイルはメディアプレイヤーでは再生できません。");
    QTest::newRow(".ra") << "/w/a.ra"
                         << ""
                         << "/r" << real;
    QTest::newRow("RMM") << "/w/a.RMM"
                         << ""
                         << "/r" << real;
    QTest::newRow("RealPlayer off") << "/w/a.ram"
                                    << "real off"
                                    << "" << real;
    QTest::newRow("RealPlayer missing") << "/w/a.rm"
                                        << "no real"
                                        << "" << real;
    QTest::newRow("MOV") << "/w/a.MOV"
                         << "real off"
                         << "/q" << qt;
    QTest::newRow("QuickTime off") << "/w/a.qt"
                                   << "quicktime off"
                                   << "" << qt;
    QTest::newRow("other: .xra is not .ra") << "/w/a.xra"
                                            << ""
                                            << "" << player;
}

void TestOpenFile::outsidePlayer()
{
    QFETCH(QString, name);
    QFETCH(QString, players);
    QFETCH(QString, program);
    QFETCH(QString, firstLine);
    Settings settings;
    settings.applyDefaults(QStringLiteral("/buffer"));
    settings.setText(RealPlayerPath, players == "no real" ? QString() : QStringLiteral("/r"));
    settings.setFlag(NoRealPlayer, players == "real off");
    settings.setText(QuickTimePath, QStringLiteral("/q"));
    // As a settings file holds it: the text "True".
    settings.setText(NoQuickTime, players == "quicktime off" ? "True" : "False");
    const Handoff handoff = outsidePlayerFor(name, settings);
    QCOMPARE(handoff.program, program);
    const QStringList lines = handoff.message.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], firstLine);
    QCOMPARE(lines[2], QStringLiteral("現在は、ファイルを送る事だけが可能です。"));
}

QTEST_GUILESS_MAIN(TestOpenFile)
#include "tst_openfile.moc"
