#include "geo/uGeoObjects.h"
#include "geo/uRouteLibrary.h"
#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "support/RefusedWrite.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Regional settings with a decimal comma and day-first dates.
TFormatSettings DecimalComma()
{
    TFormatSettings settings = FormatSettingsFromLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    settings.DecimalSeparator = u',';
    settings.ThousandSeparator = u'.';
    settings.DateSeparator = u'-';
    settings.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    settings.LongTimeFormat = QStringLiteral("hh:nn:ss");
    return settings;
}

const QUuid kGuid(QStringLiteral("{0C9A1F3E-55D2-4B7A-9E10-2F6D8C4B7A01}"));

// Lets `point` read a record with the given dates, since nothing else sets them.
void LoadRecord(TGeoPoint& point, TDateTime created, TDateTime changed)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    WriteGUID(buffer, kGuid);
    WriteBoolean(buffer, false);
    WriteDateTime(buffer, created);
    WriteDateTime(buffer, changed);
    WriteString(buffer, "boei");
    WriteString(buffer, "Kade \x80 5");
    WriteString(buffer, "Zee\xEBn");
    WriteDouble(buffer, 52.5);
    WriteDouble(buffer, -4.25);
    WriteBoolean(buffer, false);
    WriteBoolean(buffer, true);
    buffer.seek(0);
    point.LoadFromStream(buffer, 6);
}

TDateTime Created() { return EncodeDateTime(QDate(2021, 3, 7), QTime(9, 5, 1)); }
TDateTime Midnight() { return EncodeDateTime(QDate(2021, 3, 8), QTime(0, 0)); }

TEST(PointCsv, LineFollowsTheUsersConventions)
{
    const DefaultFormatSettingsScope regional(DecimalComma());
    TGeoPoint point;
    LoadRecord(point, Created(), Midnight());
    point.setEncrypt(true);
    EXPECT_EQ(point.ToCSV(), QStringLiteral("{0C9A1F3E-55D2-4B7A-9E10-2F6D8C4B7A01};-1;07-03-2021 09:05:01;08-03-2021;"
                                            "boei;Kade \u20AC 5;Zee\u00EBn;52,5;-4,25;0;-1"));
}

TEST(PointCsv, ShortLineAlwaysUsesADecimalPoint)
{
    const DefaultFormatSettingsScope regional(DecimalComma());
    TGeoPoint point;
    LoadRecord(point, Created(), Midnight());
    point.setCaption(QStringLiteral("Haven"));
    EXPECT_EQ(point.ExportCSV(), QStringLiteral("'{0C9A1F3E-55D2-4B7A-9E10-2F6D8C4B7A01}','Haven',52.5,-4.25"));
    point.setLatitude(0.00005);
    point.setCaption(QStringLiteral("%1 %2"));
    EXPECT_EQ(point.GetExportCSV(), QStringLiteral("'{0C9A1F3E-55D2-4B7A-9E10-2F6D8C4B7A01}','%1 %2',5E-5,-4.25"));
}

class LayerCsv : public ::testing::Test, protected TempFolder {};

const QByteArray kHeader =
    "GUID;Encrypt;DateCreated;DateChanged;Tags;Text;Caption;Latitude;Longitude;CanDelete;CanEdit";

TEST_F(LayerCsv, AnEmptyLayerGivesTheHeaderAlone)
{
    const QString path = Path(QStringLiteral("leeg.csv"));
    WriteFile(path, "old content that is longer than the header line, to be replaced as a whole\r\n");
    TGeoList().ExportAsCSV(path);
    EXPECT_EQ(ReadFile(path), kHeader + "\r\n");
}

TEST_F(LayerCsv, EveryPointInTheAnsiCodePage)
{
    const DefaultFormatSettingsScope regional(DecimalComma());
    TGeoList layer;
    LoadRecord(*layer.Add(), Created(), Midnight());
    TGeoPoint* second = layer.Add();
    second->setCaption(QStringLiteral("Sluis"));
    second->setSelected(true);

    const QString path = Path(QStringLiteral("punten.csv"));
    layer.ExportAsCSV(path);
    const QByteArray bytes = ReadFile(path);
    EXPECT_EQ(bytes, kHeader + "\r\n" + ToAnsi(layer.GetItem(0)->ToCSV()) + "\r\n" + ToAnsi(second->ToCSV()) + "\r\n");
    EXPECT_TRUE(bytes.contains(";boei;Kade \x80 5;Zee\xEBn;52,5;"));
}

TEST_F(LayerCsv, AFailedExportRaisesAndKeepsTheOldFile)
{
    const QString missing = Path(QStringLiteral("missing/punten.csv"));
    EXPECT_EQ(ErrorOf([&] { TGeoList().ExportAsCSV(missing); }),
              ErrorText::CannotCreateFile(missing, SystemText::MissingFolder()));

    TGeoList layer;
    for (int i = 0; i < 100; ++i)
        layer.Add();
    const QString path = Path(QStringLiteral("punten.csv"));
    WriteFile(path, "oud\r\n");
    QString message;
    {
        const RefusedWriteScope refused(path);
        message = ErrorOf([&] { layer.ExportAsCSV(path); });
    }
    EXPECT_EQ(message, ErrorText::CannotCreateFile(path, RefusedWriteScope::Reason()));
    EXPECT_EQ(ReadFile(path), QByteArray("oud\r\n"));
    EXPECT_EQ(FolderEntries(fDir.path()), QStringList{QStringLiteral("punten.csv")});
}

// ------------------------------------------------------------ selection copy

class SelectionCopy : public LayerCsv {};

QStringList LoadedCaptions(const QString& path)
{
    const TGeoList loaded(path);
    QStringList result;
    for (int i = 0; i < loaded.Count(); ++i)
        result << loaded.GetItem(i)->Caption();
    return result;
}

TEST_F(SelectionCopy, SavesTheSelectedPointsUnderAFreeNameBesideTheLayer)
{
    TGeoList layer;
    for (const char* caption : {"Haven", "Sluis", "Brug"})
        layer.Add()->setCaption(QString::fromLatin1(caption));
    layer.GetItem(1)->setSelected(true);
    layer.GetItem(2)->setSelected(true);
    const QString own = Path(QStringLiteral("Haven.lay"));
    layer.setFilename(own);
    ASSERT_TRUE(layer.HasChanged());

    const QString first = layer.SaveSelection();
    EXPECT_EQ(first, Path(QStringLiteral("Haven - COPY.lay")));
    const QString second = layer.SaveSelection();
    EXPECT_EQ(second, Path(QStringLiteral("Haven - COPY (1).lay")));
    EXPECT_EQ(layer.Filename(), own);
    EXPECT_TRUE(layer.HasChanged()); // its own file still lacks the changes
    EXPECT_FALSE(QFile::exists(own));
    EXPECT_EQ(LoadedCaptions(first), (QStringList{QStringLiteral("Sluis"), QStringLiteral("Brug")}));
    EXPECT_EQ(LoadedCaptions(second), LoadedCaptions(first));
}

TEST_F(SelectionCopy, ARouteCopiesEveryWaypoint)
{
    TRoute route(fDir.path());
    route.Add(1, 1, QStringLiteral("A"));
    route.Add(2, 2, QStringLiteral("B"));
    const QString own = route.Filename();
    const QString copy = route.SaveSelection();
    EXPECT_EQ(copy, own.chopped(4) + QStringLiteral(" - COPY.rte"));
    EXPECT_EQ(route.Filename(), own);
    TRoute loaded(fDir.path());
    loaded.LoadFromFile(copy);
    EXPECT_EQ(loaded.Count(), 2);
}

TEST_F(SelectionCopy, NothingToReportAsSavedWithoutAFolderOrAWrittenFile)
{
    TGeoList unnamed;
    unnamed.Add()->setSelected(true);
    EXPECT_EQ(unnamed.SaveSelection(), QString());
    EXPECT_EQ(unnamed.Filename(), QString());
    EXPECT_EQ(FolderEntries(QStringLiteral("/")).filter(QStringLiteral("COPY")), QStringList());

    TGeoList layer;
    const QString own = Path(QStringLiteral("missing/Haven.lay"));
    layer.setFilename(own);
    EXPECT_EQ(layer.SaveSelection(), QString());
    EXPECT_EQ(layer.Filename(), own);
}

} // namespace
