#include "cache/keyvalue.h"
#include "cache/regfile.h"
#include "cache/registry.h"
#include "registrycases.h"

#include <QTest>

using namespace velt;
using namespace velt::testing;

namespace {

enum class FileFormat { Regedit4, Version5 };

bool isStringType(std::uint32_t type)
{
    return type == kREG_SZ || type == kREG_EXPAND_SZ || type == kREG_MULTI_SZ;
}

// An export file holding every stored case as hex(N) data: the bytes as they are in a REGEDIT4
// file; strings as UTF-16LE in a version 5 file, as the registry keeps them.
QByteArray exportOf(const std::vector<RegistryCase> &cases, FileFormat format)
{
    QByteArray text = format == FileFormat::Regedit4 ? "REGEDIT4\r\n"
                                                     : "Windows Registry Editor Version 5.00\r\n";
    for (const RegistryCase &c : cases) {
        if (c.presence != Presence::Stored)
            continue;
        text += c.root == kHKEY_CURRENT_USER ? "\r\n[HKEY_CURRENT_USER\\"
                                             : "\r\n[HKEY_LOCAL_MACHINE\\";
        text += QByteArray(kCasesKey) + "]\r\n";
        text += *c.valueName ? '"' + QByteArray(c.valueName) + '"' : QByteArray("@");
        text += "=hex(" + QByteArray::number(c.type, 16) + "):";
        QByteArrayList bytes;
        for (const char ch : c.stored) {
            bytes << QByteArray::number(static_cast<unsigned char>(ch), 16);
            if (format == FileFormat::Version5 && isStringType(c.type))
                bytes << "00";
        }
        text += bytes.join(',') + "\r\n";
    }
    return text;
}

} // namespace

Q_DECLARE_METATYPE(FileFormat)

class TestRegistryCases : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registryFileAnswersAsTheRealRegistry_data();
    void registryFileAnswersAsTheRealRegistry();
};

void TestRegistryCases::registryFileAnswersAsTheRealRegistry_data()
{
    QTest::addColumn<FileFormat>("format");
    QTest::addColumn<int>("index");
    const std::vector<RegistryCase> cases = registryCases();
    for (const auto &[name, format] : {std::pair("regedit4", FileFormat::Regedit4),
                                       std::pair("version 5", FileFormat::Version5)}) {
        for (int i = 0; i < int(cases.size()); ++i)
            QTest::addRow("%s: %s", name, cases[std::size_t(i)].label) << format << i;
    }
}

void TestRegistryCases::registryFileAnswersAsTheRealRegistry()
{
    QFETCH(FileFormat, format);
    QFETCH(int, index);
    const std::vector<RegistryCase> cases = registryCases();
    const RegistryCase &c = cases[std::size_t(index)];

    RegFileStore store;
    QCOMPARE(parseRegFile(exportOf(cases, format), "cases.reg", store), QStringList());

    std::string value = c.before;
    QCOMPARE(GetKeyValue(store, c.root, caseKey(c), c.valueName, value), c.result);
    QCOMPARE(value, c.after);

    // The program's own reads go through the Qt form: the same answer as text.
    QString text = QString::fromStdString(c.before);
    QCOMPARE(GetKeyValue(store, c.root, QString::fromLatin1(caseKey(c)),
                         QString::fromLatin1(c.valueName), text),
             c.result);
    QCOMPARE(text, QString::fromStdString(c.after));
}

QTEST_GUILESS_MAIN(TestRegistryCases)
#include "tst_registrycases.moc"
