// The registry export reader: any bytes give texts of the names asked for
// only, read the same from a device up to its size limit and as nothing
// beyond it; the texts read survive being written back, and a file reads the
// same in UTF-8 and in UTF-16.
#include "fuzz/FuzzTargets.h"

#include "platform/Registry.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva");
// Names differing in case only must read alike; "" is the key's default value (@).
const QStringList kNames = {QStringLiteral("DatabaseDir"), QStringLiteral("databasedir"),
                            QStringLiteral("VersionInfo"), QStringLiteral("EditionInfo"), QString()};

using TTexts = QHash<QString, QString>;

TTexts Read(const QByteArray& file) { return TextsInRegistryExport(file, kKey, kNames); }

TTexts ReadDevice(const QByteArray& file, qint64 maxSize)
{
    QByteArray data = file;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return TextsInRegistryExport(buffer, kKey, kNames, maxSize);
}

QByteArray Utf16(const QString& text, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom)(text);
}

// "text" with the two escapes the format knows.
QString Quoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return u'"' + quoted + u'"';
}

// hex(1): or hex(2): with the UTF-16LE bytes and a closing NUL, eight bytes a
// line as the registry editor continues long data.
QString HexText(const QString& text, char type)
{
    const QByteArray bytes = QStringEncoder(QStringConverter::Utf16LE)(text) + QByteArray(2, '\0');
    QString data = QStringLiteral("hex(%1):").arg(QLatin1Char(type));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            data += i % 8 == 0 ? QStringLiteral(",\\\r\n  ") : QStringLiteral(",");
        data += QString::number(static_cast<quint8>(bytes[i]), 16).rightJustified(2, u'0');
    }
    return data;
}

// An export of the texts as the registry editor writes one, in the order of
// kNames, each in one of the forms a text value takes, turn by turn from
// `firstForm` on; a text with a line break has no quoted form.
QByteArray Exported(const TTexts& texts, int firstForm)
{
    QString file = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[") + kKey + QStringLiteral("]\r\n");
    int form = firstForm;
    for (const QString& key : kNames) {
        const auto found = texts.constFind(key);
        if (found == texts.cend())
            continue;
        const QString name = key.isEmpty() ? QStringLiteral("@") : Quoted(key);
        const QString& text = *found;
        const bool quotable = !text.contains(u'\n');
        switch (form++ % 3) {
        case 0:
            file += name + u'=' + (quotable ? Quoted(text) : HexText(text, '2'));
            break;
        case 1:
            file += name + u'=' + HexText(text, '1');
            break;
        default:
            file += name + u'=' + HexText(text, '2');
            break;
        }
        file += QStringLiteral("\r\n");
    }
    return Utf16(file, QStringConverter::Utf16LE);
}

void RequireTexts(const TTexts& texts)
{
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        Require(kNames.contains(it.key()), "only names asked for");
        Require(!it.value().contains(QChar(u'\0')), "a text ends before its first NUL");
    }
    Require(texts.value(kNames[0], QStringLiteral("-")) == texts.value(kNames[1], QStringLiteral("-")),
            "names compare without regard to case");
}

} // namespace

void RunRegistryExport(QByteArrayView input)
{
    const QByteArray file = input.toByteArray();
    const TTexts texts = Read(file);
    RequireTexts(texts);

    Require(ReadDevice(file, kMaxRegistryExportSize) == texts && ReadDevice(file, file.size()) == texts,
            "a device up to its limit reads as its bytes");
    if (!file.isEmpty())
        Require(ReadDevice(file, file.size() - 1).isEmpty(), "a device beyond its limit reads as nothing");

    for (int firstForm = 0; firstForm < 3; ++firstForm)
        Require(Read(Exported(texts, firstForm)) == texts, "the texts read are read again from an export of them");

    if (QStringConverter::encodingForData(file).value_or(QStringConverter::Utf8) == QStringConverter::Utf8) {
        QStringDecoder utf8(QStringConverter::Utf8);
        const QString text = utf8(file);
        if (!utf8.hasError()) {
            for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE})
                Require(Read(Utf16(text, encoding)) == texts, "a file reads the same in UTF-8 and in UTF-16");
        }
    }
}

QList<QByteArray> RegistryExportSeeds()
{
    const QString editorExport = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\r\n"
        "\"DatabaseDir\"=hex(2):25,00,41,00,50,00,50,00,44,00,41,00,54,00,41,00,25,00,\\\r\n"
        "  5c,00,44,00,00,00\r\n"
        "\"VersionInfo\"=\"7.1 \\\"Zee\\\" \\\\ C:\\\\Data\"\r\n"
        "\"EditionInfo\"=hex(1):50,00,72,00,6f,00,00,00\r\n"
        "\"CopyrightYearInfo\"=dword:000007e5\r\n"
        "@=\"standaard\"\r\n"
        "\r\n");
    const QString keys = QStringLiteral(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva\\Sub]\n"
        "\"DatabaseDir\"=\"sub\"\n"
        "[hkey_current_user\\software\\ostrelon\\nautiva\\]\n"
        "  \"databasedir\" = \"/home/schipper/Nautiva\"\n"
        "\"VersionInfo\"=-\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Ostrelon\\Nautiva]\n"
        "\"EditionInfo\"=\"machine\"\n");
    const QString broken = QStringLiteral(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva\n"
        "\"DatabaseDir\"=\"open\n"
        "[HKEY_CURRENT_USER\\Software\\Ostrelon\\Nautiva]\n"
        "\"DatabaseDir\"=\"C:\\Data\"\n"
        "\"VersionInfo\"=hex(2):4g,00,\\\n"
        "\"EditionInfo\"=hex(2:41,00\n"
        "\"UpdateInfo\"=hex:41,00,\\\n"
        "  \\\n");
    return {Utf16(editorExport, QStringConverter::Utf16LE), editorExport.toUtf8(), keys.toUtf8(),
            Utf16(keys, QStringConverter::Utf16BE), broken.toUtf8(),
            QByteArray("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Ostrelon"
                       "\\Nautiva]\n\"DatabaseDir\"=\"D:\\\\Kaarten \xE2\x82\xAC\"\n")};
}
