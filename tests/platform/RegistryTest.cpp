#include "platform/Registry.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva");
const QStringList kNames = {QStringLiteral("DatabaseDir"), QStringLiteral("VersionInfo"), QStringLiteral("Other")};

QHash<QString, QString> Texts(const QByteArray& file)
{
    return TextsInRegistryExport(file, kKey, kNames);
}

QHash<QString, QString> Texts(const QString& file)
{
    return Texts(file.toUtf8());
}

// As the registry editor writes it: UTF-16LE with a byte-order mark, CR LF,
// long binary data continued over lines.
TEST(RegistryExport, ReadsTextValuesOfAnEditorExport)
{
    const QString exported = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\r\n"
        "\"DatabaseDir\"=hex(2):25,00,41,00,50,00,50,00,44,00,41,00,54,00,41,00,25,00,\\\r\n"
        "  5c,00,44,00,00,00\r\n"
        "\"VersionInfo\"=\"7.1 \\\"Zee\\\" \\\\ C:\\\\Data\"\r\n"
        "\"Other\"=dword:00000001\r\n"
        "\r\n");
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray file = utf16(exported);

    const QHash<QString, QString> expected = {{QStringLiteral("DatabaseDir"), QStringLiteral("%APPDATA%\\D")},
                                              {QStringLiteral("VersionInfo"), QStringLiteral("7.1 \"Zee\" \\ C:\\Data")}};
    EXPECT_EQ(Texts(file), expected);
}

TEST(RegistryExport, KeyAndNamesIgnoreCaseAndOtherKeysAreSkipped)
{
    const QString file = QStringLiteral(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva\\Sub]\n"
        "\"DatabaseDir\"=\"sub\"\n"
        "[hkey_current_user\\software\\ostrelon\\nautiva\\]\n"
        "  \"databasedir\" = \"first\"\n"
        "\"VERSIONINFO\"=\"gone\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Ostrelon\\Nautiva]\n"
        "\"Other\"=\"machine\"\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\n"
        "; a later line wins, and \"-\" deletes\n"
        "\"DatabaseDir\"=\"second\"\n"
        "\"VersionInfo\"=-\n");
    const QHash<QString, QString> expected = {{QStringLiteral("DatabaseDir"), QStringLiteral("second")}};
    EXPECT_EQ(Texts(file), expected);
}

struct ValueCase {
    const char* name;
    const char* line;    // the data after "DatabaseDir"=
    const char* text;    // nullptr: the value counts as missing
};

void PrintTo(const ValueCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegistryValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValue, IsReadAsTextOrMissing)
{
    const ValueCase& c = GetParam();
    const QByteArray file = QByteArray("Windows Registry Editor Version 5.00\n"
                                       "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\n\"DatabaseDir\"=")
        + c.line + "\n\"VersionInfo\"=\"still read\"\n";
    const QHash<QString, QString> texts = Texts(file);
    if (c.text)
        EXPECT_EQ(texts.value(QStringLiteral("DatabaseDir"), QStringLiteral("(missing)")),
                  QString(QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)(c.text)));
    else
        EXPECT_FALSE(texts.contains(QStringLiteral("DatabaseDir"))) << texts.value(QStringLiteral("DatabaseDir")).toStdString();
    EXPECT_EQ(texts.value(QStringLiteral("VersionInfo")), QStringLiteral("still read"));
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegistryValue,
    ::testing::Values(ValueCase{"Quoted", "\"C:\\\\Data\"", "C:\\Data"},
                      ValueCase{"Empty", "\"\"", ""},
                      ValueCase{"SzAsHex", "hex(1):41,00,42,00,00,00", "AB"},
                      ValueCase{"ExpandUpToFirstNul", "hex(2):41,00,00,00,42,00,00,00", "A"},
                      ValueCase{"ExpandWithoutNul", "hex(2):41,00,42,00", "AB"},
                      ValueCase{"ExpandEmpty", "hex(2):", ""},
                      ValueCase{"SzStartingWithFeff", "hex(1):ff,fe,41,00", "\xEF\xBB\xBF" "A"},
                      ValueCase{"Dword", "dword:00000010", nullptr},
                      ValueCase{"Binary", "hex:41,00,42,00", nullptr},
                      ValueCase{"MultiSz", "hex(7):41,00,00,00,00,00", nullptr},
                      ValueCase{"Qword", "hex(b):01,00,00,00,00,00,00,00", nullptr},
                      ValueCase{"Unterminated", "\"C:\\\\Data", nullptr},
                      ValueCase{"UnknownEscape", "\"C:\\Data\"", nullptr},
                      ValueCase{"TrailingJunk", "\"a\"b", nullptr},
                      ValueCase{"BadHexDigit", "hex(2):4g,00", nullptr},
                      ValueCase{"LongHexItem", "hex(2):041,00", nullptr},
                      ValueCase{"TrailingComma", "hex(2):41,00,", nullptr},
                      ValueCase{"UnclosedType", "hex(2:41,00", nullptr},
                      ValueCase{"Garbage", "\x01\xff\xfe", nullptr}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(RegistryExport, AnythingButAnExportGivesNothing)
{
    const char* const files[] = {
        "",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\n\"DatabaseDir\"=\"x\"\n",
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\n\"DatabaseDir\"=\"x\"\n",
        "Windows Registry Editor Version 5.00\n\"DatabaseDir\"=\"outside any key\"\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva\n\"DatabaseDir\"=\"x\"\n",
    };
    for (const char* file : files)
        EXPECT_TRUE(Texts(QByteArray(file)).isEmpty()) << file;
}

// Every cut of a good file, and a damaged byte anywhere in it, must leave
// the reader standing. A cut inside binary data cannot be told from its end,
// so a cut file may give the start of a value, but never anything else.
TEST(RegistryExport, DamagedFilesAreSurvived)
{
    const QByteArray good = "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\r\n"
                            "\"DatabaseDir\"=hex(2):43,00,3a,00,5c,00,44,00,00,00\r\n"
                            "\"VersionInfo\"=\"7 \\\"x\\\"\"\r\n";
    for (qsizetype cut = 0; cut <= good.size(); ++cut) {
        const QHash<QString, QString> texts = Texts(good.left(cut));
        for (const QString& text : texts)
            EXPECT_TRUE(QStringLiteral("C:\\D").startsWith(text) || text == u"7 \"x\"") << cut << ": " << text.toStdString();
    }
    for (qsizetype at = 0; at < good.size(); ++at) {
        for (const char bad : {'\0', '\\', '"', '\n', '[', '\xff'}) {
            QByteArray damaged = good;
            damaged[at] = bad;
            Texts(damaged);
        }
    }
}

// The limit holds on any device, and on the stand-in file at its real size.
TEST(RegistryExport, FileLargerThanTheLimitGivesNothing)
{
    const QByteArray file = "Windows Registry Editor Version 5.00\n"
                            "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\n\"DatabaseDir\"=\"D\"\n";
    const QHash<QString, QString> expected = {{QStringLiteral("DatabaseDir"), QStringLiteral("D")}};
    const QHash<QString, QString> nothing;
    for (const qint64 maxSize : {file.size(), file.size() - 1}) {
        QByteArray data = file;
        QBuffer buffer(&data);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        EXPECT_EQ(TextsInRegistryExport(buffer, kKey, kNames, maxSize),
                  maxSize == file.size() ? expected : nothing)
            << maxSize;
    }

#ifndef Q_OS_WIN
    const TempFolder config;
    const EnvironmentScope scope("XDG_CONFIG_HOME", config.Path(QStringLiteral("config")));
    ASSERT_TRUE(QDir().mkpath(config.Path(QStringLiteral("config/Ostrelon"))));
    const QByteArray comment = "; " + QByteArray(kMaxRegistryExportSize - file.size() - 2, 'x');
    for (const QByteArray& padding : {comment, comment + 'x'}) {
        WriteFile(RegistryStandInFile(), file + padding);
        EXPECT_EQ(ReadCurrentUserTexts(QStringLiteral("Software\\Ostrelon\\Nautiva\\"), kNames),
                  padding == comment ? expected : nothing)
            << padding.size();
    }
#endif
}

} // namespace
