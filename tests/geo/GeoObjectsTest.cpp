#include "geo/uGeoObjects.h"
#include "geo/uStreamUtils.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

namespace {

// A layer of points captioned as given, in that order.
void AddCaptioned(TGeoList& layer, std::initializer_list<const char16_t*> captions)
{
    for (const char16_t* caption : captions)
        layer.Add()->setCaption(QString::fromUtf16(caption));
}

QStringList Captions(const TGeoList& layer)
{
    QStringList result;
    for (int i = 0; i < layer.Count(); ++i)
        result << layer.GetItem(i)->Caption();
    return result;
}

TEST(GeoPoint, NewPointDefaults)
{
    const TDateTime before = Now();
    TGeoList layer;
    const TGeoPoint* point = layer.Add();
    EXPECT_FALSE(point->GUID().isNull());
    EXPECT_NE(point->GUID(), layer.Add()->GUID());
    EXPECT_GE(point->DateCreated(), before);
    EXPECT_LE(point->DateCreated(), Now());
    EXPECT_EQ(point->DateChanged(), 0);
    EXPECT_EQ(point->Latitude(), 0);
    EXPECT_EQ(point->Longitude(), 0);
    EXPECT_TRUE(point->CanDelete());
    EXPECT_TRUE(point->CanEdit());
    EXPECT_FALSE(point->Moved());
    EXPECT_FALSE(point->Selected());
    EXPECT_FALSE(point->Encrypt());
    EXPECT_EQ(point->Layer(), &layer);
}

struct Setter {
    const char* name;
    std::function<void(TGeoPoint&)> sameValue;
    std::function<void(TGeoPoint&)> otherValue;
};

TEST(GeoPoint, SettersStampDateChangedOnlyForADifferentValue)
{
    const Setter setters[] = {
        {"caption", [](TGeoPoint& p) { p.setCaption(QString()); },
         [](TGeoPoint& p) { p.setCaption(QStringLiteral("a")); }},
        {"tags", [](TGeoPoint& p) { p.setTags({}); }, [](TGeoPoint& p) { p.setTags("boei"); }},
        {"text", [](TGeoPoint& p) { p.setText({}); }, [](TGeoPoint& p) { p.setText("x"); }},
        {"latitude", [](TGeoPoint& p) { p.setLatitude(0); }, [](TGeoPoint& p) { p.setLatitude(52); }},
        {"longitude", [](TGeoPoint& p) { p.setLongitude(0); }, [](TGeoPoint& p) { p.setLongitude(4); }},
    };
    for (const auto& s : setters) {
        TGeoPoint point;
        s.sameValue(point);
        EXPECT_EQ(point.DateChanged(), 0) << s.name;
        const TDateTime before = Now();
        s.otherValue(point);
        EXPECT_GE(point.DateChanged(), before) << s.name;
    }
}

// A point read from a record whose DateChanged is 1.5, so that a new stamp shows.
std::unique_ptr<TGeoPoint> Stored(const QByteArray& caption, double latitude)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    WriteGUID(buffer, QUuid::createUuid());
    WriteBoolean(buffer, false);
    WriteDateTime(buffer, 1.0);
    WriteDateTime(buffer, 1.5);
    WriteString(buffer, {});
    WriteString(buffer, {});
    WriteString(buffer, caption);
    WriteDouble(buffer, latitude);
    WriteDouble(buffer, 0);
    WriteBoolean(buffer, true);
    WriteBoolean(buffer, true);
    buffer.seek(0);
    auto point = std::make_unique<TGeoPoint>();
    point->LoadFromStream(buffer, 6);
    return point;
}

TEST(GeoPoint, CaptionComparesCaseSensitivelyAndNotANumberAlwaysDiffers)
{
    const auto same = Stored("Haven", 0);
    same->setCaption(QStringLiteral("Haven"));
    EXPECT_EQ(same->DateChanged(), 1.5);
    same->setCaption(QStringLiteral("haven"));
    EXPECT_NE(same->DateChanged(), 1.5);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto notANumber = Stored("Haven", nan);
    notANumber->setLatitude(nan);
    EXPECT_NE(notANumber->DateChanged(), 1.5);
}

TEST(GeoPoint, ClearKeepsIdentityAndMarks)
{
    TGeoPoint point;
    point.setCaption(QStringLiteral("Haven"));
    point.setTags("t");
    point.setText("x");
    point.setLatitude(52);
    point.setLongitude(4);
    point.setCanDelete(false);
    point.setCanEdit(false);
    point.setSelected(true);
    point.setEncrypt(true);
    point.setMoved(true);
    const QUuid guid = point.GUID();
    const TDateTime created = point.DateCreated();

    point.Clear();
    EXPECT_TRUE(point.Caption().isEmpty());
    EXPECT_TRUE(point.Tags().isEmpty());
    EXPECT_TRUE(point.Text().isEmpty());
    EXPECT_EQ(point.Latitude(), 0);
    EXPECT_EQ(point.Longitude(), 0);
    EXPECT_TRUE(point.CanDelete());
    EXPECT_TRUE(point.CanEdit());
    EXPECT_FALSE(point.Selected());
    EXPECT_TRUE(point.Encrypt());
    EXPECT_TRUE(point.Moved());
    EXPECT_EQ(point.GUID(), guid);
    EXPECT_EQ(point.DateCreated(), created);
}

TGeoPoint& Filled(TGeoPoint& point)
{
    point.setCaption(QStringLiteral("Sluis"));
    point.setTags("t");
    point.setText("x");
    point.setLatitude(51.5);
    point.setLongitude(3.6);
    point.setCanDelete(false);
    point.setEncrypt(true);
    point.setMoved(true);
    point.setSelected(true);
    return point;
}

TEST(GeoPoint, CopyFromTakesDataButNotMarks)
{
    TGeoPoint source;
    Filled(source);
    TGeoPoint target;
    target.CopyFrom(&source);
    EXPECT_EQ(target.GUID(), source.GUID());
    EXPECT_EQ(target.DateCreated(), source.DateCreated());
    EXPECT_EQ(target.DateChanged(), source.DateChanged());
    EXPECT_EQ(target.Caption(), QStringLiteral("Sluis"));
    EXPECT_EQ(target.Tags(), QByteArray("t"));
    EXPECT_EQ(target.Text(), QByteArray("x"));
    EXPECT_EQ(target.Latitude(), 51.5);
    EXPECT_EQ(target.Longitude(), 3.6);
    EXPECT_FALSE(target.CanDelete());
    EXPECT_FALSE(target.Encrypt());
    EXPECT_FALSE(target.Moved());
    EXPECT_FALSE(target.Selected());

    target.CopyFrom(nullptr);
    EXPECT_EQ(target.Caption(), QStringLiteral("Sluis"));
}

TEST(GeoPoint, AssignToGoesThroughTheTargetsSetters)
{
    TGeoPoint source;
    Filled(source);
    TGeoPoint differing;
    const TDateTime before = Now();
    source.AssignTo(&differing);
    EXPECT_EQ(differing.GUID(), source.GUID());
    EXPECT_EQ(differing.Caption(), QStringLiteral("Sluis"));
    EXPECT_FALSE(differing.CanDelete());
    EXPECT_FALSE(differing.Encrypt());
    EXPECT_GE(differing.DateChanged(), before); // the setters stamped it

    // Into a point that holds the same data already, the copied DateChanged stays.
    const auto stored = Stored("Sluis", 0);
    TGeoPoint equal;
    stored->AssignTo(&equal);
    stored->AssignTo(&equal);
    EXPECT_EQ(equal.DateChanged(), 1.5);
    source.AssignTo(nullptr);
}

TEST(GeoPoint, RecreateGuidStampsTheChange)
{
    TGeoPoint point;
    const QUuid old = point.GUID();
    point.RecreateGuid();
    EXPECT_NE(point.GUID(), old);
    EXPECT_GT(point.DateChanged(), 0);
}

// The fields SetPropertyValue can touch, for comparing whole points.
struct PointFields {
    double latitude = 0;
    double longitude = 0;
    QByteArray tags;
    QByteArray text;
    QString caption;
    bool canDelete = true;
    bool canEdit = true;
    QUuid guid;

    static PointFields Of(const TGeoPoint& p)
    {
        return {p.Latitude(), p.Longitude(), p.Tags(), p.Text(), p.Caption(), p.CanDelete(), p.CanEdit(), p.GUID()};
    }
    bool operator==(const PointFields&) const = default;
};

void PrintTo(const PointFields& f, std::ostream* os)
{
    *os << "lat " << f.latitude << " long " << f.longitude << " tags " << f.tags.toStdString() << " text "
        << f.text.toStdString() << " caption " << f.caption.toStdString() << " canDelete " << f.canDelete
        << " canEdit " << f.canEdit << " guid " << f.guid.toString().toStdString();
}

struct PropertyCase {
    TPOIField field;
    const char16_t* value;
    bool result;
    std::function<void(PointFields&)> change; // on the fields of a new point
};

TEST(GeoPoint, SetPropertyValueSetsTheFieldsAPointTakes)
{
    const QUuid guid(0x12345678, 0x9ABC, 0xDEF0, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF);
    const auto none = [](PointFields&) {};
    const PropertyCase cases[] = {
        {TPOIField::fldLat, u"52,5", true, [](PointFields& f) { f.latitude = 52.5; }},
        {TPOIField::fldLong, u"-4,25", true, [](PointFields& f) { f.longitude = -4.25; }},
        {TPOIField::fldTags, u"boei \u20AC", true, [](PointFields& f) { f.tags = "boei \x80"; }},
        {TPOIField::fldText, u"Kade", true, [](PointFields& f) { f.text = "Kade"; }},
        {TPOIField::fldCaption, u"Haven", true, [](PointFields& f) { f.caption = QStringLiteral("Haven"); }},
        {TPOIField::fldName, u"Sluis", true, [](PointFields& f) { f.caption = QStringLiteral("Sluis"); }},
        {TPOIField::fldNaam, u"Brug", true, [](PointFields& f) { f.caption = QStringLiteral("Brug"); }},
        {TPOIField::fldDescription, u"iets", false, none},
        {TPOIField::fldDateCreated, u"2024-02-05", true, none},
        {TPOIField::fldDateChanged, u"2024-02-05", true, none},
        {TPOIField::fldCanDelete, u"0", true, [](PointFields& f) { f.canDelete = false; }},
        {TPOIField::fldCanDelete, u"FALSE", true, [](PointFields& f) { f.canDelete = false; }},
        {TPOIField::fldCanEdit, u"false", true, [](PointFields& f) { f.canEdit = false; }},
        {TPOIField::fldCanEdit, u"2", true, none},
        {TPOIField::fldCanEdit, u"True", true, none},
        {TPOIField::fldGUID, u"{12345678-9abc-DEF0-0123-456789ABCDEF}", true, [&](PointFields& f) { f.guid = guid; }},
        {TPOIField::fldNone, u"x", false, none},
        {TPOIField::fldEnd, u"x", false, none},
        {TPOIField::fldLat, u"", false, none},
        {TPOIField::fldCaption, u"", false, none},
    };
    for (const auto& c : cases) {
        const QString value = QString::fromUtf16(c.value);
        TGeoPoint point;
        PointFields expected = PointFields::Of(point);
        c.change(expected);
        const std::string trace = std::to_string(static_cast<int>(c.field)) + " " + value.toStdString();
        EXPECT_EQ(point.SetPropertyValue(c.field, value), c.result) << trace;
        EXPECT_EQ(PointFields::Of(point), expected) << trace;
    }
}

TEST(GeoPoint, SetPropertyValueStampsOnlyThroughTheSetters)
{
    TGeoPoint point;
    point.SetPropertyValue(TPOIField::fldCanDelete, QStringLiteral("0"));
    point.SetPropertyValue(TPOIField::fldGUID, QStringLiteral("{12345678-9ABC-DEF0-0123-456789ABCDEF}"));
    EXPECT_EQ(point.DateChanged(), 0);
    point.SetPropertyValue(TPOIField::fldLat, QStringLiteral("0"));
    EXPECT_EQ(point.DateChanged(), 0);
    point.SetPropertyValue(TPOIField::fldLat, QStringLiteral("1"));
    EXPECT_GT(point.DateChanged(), 0);
}

TEST(GeoPoint, SetPropertyValueRaisesConversionErrorsAndKeepsTheFields)
{
    const struct {
        TPOIField field;
        const char* value;
        const char* error;
    } cases[] = {
        {TPOIField::fldLat, "52.5", "'52.5' is not a valid floating point value"},
        {TPOIField::fldLong, "1.000,5", "'1.000,5' is not a valid floating point value"},
        {TPOIField::fldCanDelete, "ja", "'ja' is not a valid boolean value"},
        {TPOIField::fldGUID, "12345678-9ABC-DEF0-0123-456789ABCDEF",
         "'12345678-9ABC-DEF0-0123-456789ABCDEF' is not a valid GUID value"},
    };
    for (const auto& c : cases) {
        TGeoPoint point;
        const PointFields before = PointFields::Of(point);
        EXPECT_EQ(ErrorOf([&] { point.SetPropertyValue(c.field, QString::fromLatin1(c.value)); }),
                  QString::fromLatin1(c.error));
        EXPECT_EQ(PointFields::Of(point), before);
    }
}

TEST(GeoFormatSettings, ImportReadsDecimalCommaWhateverTheLocale)
{
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Dutch, QLocale::Netherlands)}) {
        const TFormatSettings localeOwn = FormatSettingsFromLocale(locale);
        const TGeoFormatSettings s = GeoFormatSettingsFromLocale(locale);
        EXPECT_EQ(StrToFloat(QStringLiteral("52,5"), s.POIImport), 52.5);
        EXPECT_EQ(s.POIImport.ThousandSeparator, QChar(0));
        EXPECT_EQ(s.POIImport.ShortDateFormat, QStringLiteral("yyyy-mm-dd"));
        EXPECT_EQ(s.POIImport.LongDateFormat, QStringLiteral("yyyy-mm-dd"));
        EXPECT_EQ(s.POIImport.DateSeparator, localeOwn.DateSeparator);
        EXPECT_EQ(s.POIImport.LongTimeFormat, localeOwn.LongTimeFormat);

        EXPECT_EQ(s.POIExport.DecimalSeparator, QChar(u'.'));
        EXPECT_EQ(s.POIExport.ThousandSeparator, QChar(0));
        EXPECT_EQ(s.POIExport.LongDateFormat, QStringLiteral("yyyy-mm-dd"));

        EXPECT_EQ(s.My.DateSeparator, QChar(u'-'));
        EXPECT_EQ(s.My.ShortDateFormat, QStringLiteral("yyyy-mm-dd"));
        EXPECT_EQ(s.My.LongDateFormat, localeOwn.LongDateFormat);
        EXPECT_EQ(s.My.ThousandSeparator, QChar(u'.'));
        EXPECT_EQ(s.My.DecimalSeparator, QChar(u','));
    }
    InitGeoFormatSettings();
    EXPECT_EQ(StrToFloat(QStringLiteral("52,5"), POIImportSettings()), 52.5);
    EXPECT_EQ(POIExportSettings().DecimalSeparator, QChar(u'.'));
    EXPECT_EQ(MySettings().ThousandSeparator, QChar(u'.'));
}

TEST(GeoList, NewLayerDefaults)
{
    const TDateTime before = Now();
    const TGeoList layer;
    EXPECT_EQ(layer.FileVersion().FileID(), QByteArray("L-GEO"));
    EXPECT_EQ(layer.FileVersion().ID(), 6);
    EXPECT_EQ(layer.FileVersion().ClassName(), QByteArray("TGeoList"));
    EXPECT_FALSE(layer.GUID().isNull());
    EXPECT_EQ(layer.GUIDStr(), layer.GUID().toString(QUuid::WithBraces).toUpper());
    EXPECT_GE(layer.DateCreated(), before);
    EXPECT_TRUE(layer.Caption().isEmpty());
    EXPECT_TRUE(layer.Category().isEmpty());
    EXPECT_TRUE(layer.Filename().isEmpty());
    EXPECT_EQ(layer.Tags().Delimiter, QChar(u' '));
    EXPECT_EQ(layer.Description().Count() + layer.Tags().Count() + layer.Notes().Count() + layer.Colofon().Count(), 0);
    EXPECT_TRUE(layer.CanDelete());
    EXPECT_TRUE(layer.CanEdit());
    EXPECT_FALSE(layer.Selected());
    EXPECT_FALSE(layer.HasChanged());
    EXPECT_EQ(layer.Count(), 0);
}

TEST(GeoList, FileVersionTextsAreCutToTheirCapacity)
{
    TGeoList layer;
    layer.SetFileVersion_FileID("LAYERS");
    layer.SetFileVersion_ID(3);
    layer.SetFileVersion_Classname("TAVeryLongClassNameOfThirtyOne");
    EXPECT_EQ(layer.FileVersion().FileID(), QByteArray("LAYER"));
    EXPECT_EQ(layer.FileVersion().ID(), 3);
    EXPECT_EQ(layer.FileVersion().ClassName(), QByteArray("TAVeryLongClassNameOfThir"));

    TkdVersion version(QByteArray("ROUTE"), 4, QByteArray("TRoute"));
    version.Clear();
    EXPECT_TRUE(version.FileID().isEmpty());
    EXPECT_EQ(version.ID(), 0);
    EXPECT_TRUE(version.ClassName().isEmpty());
}

TEST(GeoList, KnownVersionsAreZeroToSix)
{
    for (std::size_t i = 0; i < cVersions.size(); ++i)
        EXPECT_EQ(cVersions[i].ID(), i);
    EXPECT_TRUE(IsKnownVersion(0));
    EXPECT_TRUE(IsKnownVersion(6));
    EXPECT_FALSE(IsKnownVersion(7));
}

TEST(GeoList, ItemsKnowTheirLayerAndPlace)
{
    TGeoList layer;
    AddCaptioned(layer, {u"a", u"b", u"c"});
    EXPECT_TRUE(layer.HasChanged());
    const TGeoPoint* inserted = layer.Insert(1);
    EXPECT_EQ(inserted->Index(), 1);
    EXPECT_EQ(layer.GetItem(2)->Caption(), QStringLiteral("b"));
    EXPECT_EQ(layer.GetItem(2)->Index(), 2);
    EXPECT_EQ(layer.GetItem(3)->Index(), 3);
    layer.Delete(0);
    EXPECT_EQ(Captions(layer), (QStringList{QString(), QStringLiteral("b"), QStringLiteral("c")}));
    for (int i = 0; i < layer.Count(); ++i) {
        EXPECT_EQ(layer.GetItem(i)->Index(), i);
        EXPECT_EQ(layer.GetItem(i)->Layer(), &layer);
    }
    const TGeoPoint loose;
    EXPECT_EQ(loose.Layer(), nullptr);
    EXPECT_EQ(loose.Index(), -1);
}

TEST(GeoPoint, CaptionsOfEveryKindAndLengthReadBack)
{
    const QString captions[] = {
        QString(),
        QStringLiteral("a"),
        QStringLiteral("Waypoint 123456"),              // the most kept in place
        QStringLiteral("Waypoint 1234567"),             // one more
        QStringLiteral("Gat van de Kerksloot éÿ"), // Latin-1 beyond ASCII
        QStringLiteral("Sluis €"),                 // beyond Latin-1, short
        QStringLiteral("Haven 🚢 en nog veel meer tekst"),
        QString(QChar(0)) + QStringLiteral("nul"),
    };
    for (const QString& caption : captions) {
        SCOPED_TRACE(caption.toStdString());
        TGeoPoint point;
        point.setCaption(caption);
        EXPECT_EQ(point.Caption(), caption);
        EXPECT_EQ(point.Caption().size(), caption.size());
        const TDateTime changed = point.DateChanged();
        point.setCaption(QString(caption)); // the same text does not stamp
        EXPECT_EQ(point.DateChanged(), changed);

        TGeoPoint copy;
        copy.CopyFrom(&point);
        point.setCaption(QStringLiteral("other"));
        EXPECT_EQ(copy.Caption(), caption);
        copy.CopyFrom(&copy);
        EXPECT_EQ(copy.Caption(), caption);
        for (const QString& next : captions) {
            copy.setCaption(next);
            EXPECT_EQ(copy.Caption(), next);
        }
    }
}

TEST(GeoPoint, TagsAndTextComeAndGo)
{
    TGeoPoint point;
    EXPECT_TRUE(point.Tags().isEmpty());
    EXPECT_TRUE(point.Text().isEmpty());
    point.setText("kade");
    EXPECT_EQ(point.Text(), QByteArray("kade"));
    EXPECT_TRUE(point.Tags().isEmpty());
    point.setTags("boei");
    point.setText({});
    EXPECT_EQ(point.Tags(), QByteArray("boei"));
    EXPECT_TRUE(point.Text().isEmpty());
    TGeoPoint copy;
    copy.CopyFrom(&point);
    point.setTags({});
    EXPECT_TRUE(point.Tags().isEmpty());
    EXPECT_EQ(copy.Tags(), QByteArray("boei"));
    copy.Clear();
    EXPECT_TRUE(copy.Tags().isEmpty());
}

// What a point hands out stays whole when a setter then frees the point's
// block of tags and text (the sanitizer build reads freed memory otherwise).
TEST(GeoPoint, TagsAndTextHandedOutOutliveTheSettersThatFollow)
{
    TGeoPoint point;
    point.setTags("boei");
    point.setText("kade");
    const auto& tags = point.Tags();
    const auto& text = point.Text();
    point.setTags({});
    point.setText({});
    EXPECT_EQ(tags, QByteArray("boei"));
    EXPECT_EQ(text, QByteArray("kade"));
}

TEST(GeoList, PointsStayWhereTheyAreWhileOthersComeAndGo)
{
    TGeoList layer;
    std::vector<TGeoPoint*> kept;
    for (int i = 0; i < 1000; ++i) {
        TGeoPoint* point = layer.Add();
        point->setCaption(QString::number(i));
        kept.push_back(point);
    }
    // Remove every other one, then fill the gaps with new ones at the front.
    for (int i = 999; i >= 0; i -= 2)
        layer.Delete(i);
    for (int i = 0; i < 500; ++i)
        layer.Insert(0)->setCaption(QStringLiteral("new"));
    ASSERT_EQ(layer.Count(), 1000);
    for (int i = 0; i < 500; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(layer.GetItem(500 + i), kept[static_cast<std::size_t>(2 * i)]);
        EXPECT_EQ(kept[static_cast<std::size_t>(2 * i)]->Caption(), QString::number(2 * i));
        EXPECT_EQ(layer.GetItem(500 + i)->Index(), 500 + i);
        EXPECT_EQ(layer.GetItem(i)->Caption(), QStringLiteral("new"));
    }
    layer.SelectAll();
    layer.RemoveSelected();
    EXPECT_EQ(layer.Count(), 0);
    layer.Add()->setCaption(QStringLiteral("again"));
    EXPECT_EQ(Captions(layer), QStringList{QStringLiteral("again")});
}

TEST(GeoList, IndexOutOfRange)
{
    TGeoList layer;
    AddCaptioned(layer, {u"a", u"b"});
    const QString outOfRange = QStringLiteral("Argument out of range");
    EXPECT_EQ(ErrorOf([&] { layer.GetItem(2); }), outOfRange);
    EXPECT_EQ(ErrorOf([&] { layer.GetItem(-1); }), outOfRange);
    EXPECT_EQ(ErrorOf([&] { layer.Delete(2); }), outOfRange);
    EXPECT_EQ(ErrorOf([&] { layer.Insert(3); }), outOfRange);
    EXPECT_EQ(layer.GetPOI(-1), nullptr);
    EXPECT_EQ(layer.GetPOI(2), nullptr);
    EXPECT_EQ(layer.GetPOI(1), layer.GetItem(1));
    EXPECT_EQ(layer.Count(), 2);
}

TEST(GeoList, SelectionCountsAndRemoval)
{
    TGeoList layer;
    AddCaptioned(layer, {u"a", u"b", u"c", u"d"});
    layer.SelectAll();
    EXPECT_EQ(layer.SelectCount(), 4);
    layer.UnSelectAll();
    EXPECT_EQ(layer.GetCount(true), 0);
    EXPECT_EQ(layer.GetCount(false), 4);

    TGeoList fresh;
    fresh.RemoveSelected();
    EXPECT_TRUE(fresh.HasChanged()); // even with nothing selected

    layer.GetItem(0)->setSelected(true);
    layer.GetItem(2)->setSelected(true);
    layer.RemoveSelected();
    EXPECT_EQ(Captions(layer), (QStringList{QStringLiteral("b"), QStringLiteral("d")}));
    EXPECT_EQ(layer.GetItem(1)->Index(), 1);
}

TEST(GeoList, FindByPositionTakesTheFirstExactMatch)
{
    TGeoList layer;
    AddCaptioned(layer, {u"a", u"b", u"c"});
    layer.GetItem(1)->setLatitude(52.1);
    layer.GetItem(1)->setLongitude(4.3);
    layer.GetItem(2)->setLatitude(52.1);
    layer.GetItem(2)->setLongitude(4.3);
    EXPECT_EQ(layer.FindIndex(52.1, 4.3), 1);
    EXPECT_EQ(layer.Find(52.1, 4.3), layer.GetItem(1));
    EXPECT_EQ(layer.FindIndex(52.1, 4.3000001), -1);
    EXPECT_EQ(layer.Find(4.3, 52.1), nullptr);
}

TEST(GeoList, FindTextIsCaseSensitiveWhileFindSelectsIgnoringCase)
{
    TGeoList layer;
    AddCaptioned(layer, {u"Haven", u"Sluis", u"\u00C9cluse"});
    layer.GetItem(1)->setText("bij de haven");

    EXPECT_EQ(layer.FindText(QStringLiteral("haven")), layer.GetItem(1)); // found in the text
    EXPECT_EQ(layer.FindText(QStringLiteral("Hav")), layer.GetItem(0));
    EXPECT_EQ(layer.FindText(QStringLiteral("HAVEN")), nullptr);
    EXPECT_EQ(layer.FindText(QString()), nullptr);

    EXPECT_TRUE(layer.Find(QStringLiteral("haven")));
    EXPECT_TRUE(layer.GetItem(0)->Selected());
    EXPECT_FALSE(layer.GetItem(1)->Selected()); // the text is not searched
    // Only a-z fold: an accented capital does not match its small letter.
    EXPECT_TRUE(layer.Find(QStringLiteral("\u00E9CLUSE")));
    EXPECT_EQ(layer.SelectCount(), 0);
    EXPECT_TRUE(layer.Find(QStringLiteral("\u00C9CLUSE")));
    EXPECT_TRUE(layer.GetItem(2)->Selected());
    EXPECT_TRUE(layer.Find(QString()));
    EXPECT_EQ(layer.SelectCount(), 3);
}

TEST(GeoList, LookupAndDeletionByGuid)
{
    TGeoList layer;
    AddCaptioned(layer, {u"a", u"b", u"c"});
    const QUuid guid = layer.GetItem(1)->GUID();
    EXPECT_EQ(layer.PointByGUID(guid), layer.GetItem(1));
    EXPECT_EQ(layer.PointByGUID(QUuid::createUuid()), nullptr);

    layer.DeleteByGUID(guid);
    layer.DeleteByGUID(QUuid::createUuid());
    EXPECT_EQ(Captions(layer), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(layer.GetItem(1)->Index(), 1);
}

TEST(GeoList, ClearTagsStampsOnlyPointsThatHadTags)
{
    TGeoList layer;
    AddCaptioned(layer, {u"a", u"b"});
    layer.Tags().Lines = {QStringLiteral("vaarwater")};
    auto* tagged = layer.GetItem(0);
    tagged->setTags("boei");
    auto* untagged = layer.Insert(2);
    layer.ClearTags();
    EXPECT_EQ(layer.Tags().Count(), 0);
    EXPECT_TRUE(tagged->Tags().isEmpty());
    EXPECT_GT(tagged->DateChanged(), 0);
    EXPECT_EQ(untagged->DateChanged(), 0);
}

TEST(GeoList, CopyMetadataFromLeavesIdentityAndPoints)
{
    TGeoList source;
    source.setCaption(QStringLiteral("Zeeland"));
    source.setCategory(QStringLiteral("Vaargebied"));
    source.Description().Lines = {QStringLiteral("d1"), QStringLiteral("d2")};
    source.Tags().Delimiter = u';';
    source.Tags().Lines = {QStringLiteral("t")};
    source.Notes().Lines = {QStringLiteral("n")};
    source.Colofon().Lines = {QStringLiteral("c")};
    source.setCanDelete(false);
    source.setCanEdit(false);
    source.setFilename(QStringLiteral("/a.lay"));
    source.Add();

    TGeoList target;
    target.Notes().Lines = {QStringLiteral("old1"), QStringLiteral("old2")};
    const QUuid guid = target.GUID();
    const TDateTime created = target.DateCreated();
    target.CopyMetadataFrom(source);
    EXPECT_EQ(target.Caption(), QStringLiteral("Zeeland"));
    EXPECT_EQ(target.Category(), QStringLiteral("Vaargebied"));
    EXPECT_EQ(target.Description().Lines, source.Description().Lines);
    EXPECT_EQ(target.Tags().Delimiter, QChar(u';'));
    EXPECT_EQ(target.Tags().Lines, source.Tags().Lines);
    EXPECT_EQ(target.Notes().Lines, QStringList{QStringLiteral("n")});
    EXPECT_EQ(target.Colofon().Lines, source.Colofon().Lines);
    EXPECT_FALSE(target.CanDelete());
    EXPECT_FALSE(target.CanEdit());
    EXPECT_EQ(target.GUID(), guid);
    EXPECT_EQ(target.DateCreated(), created);
    EXPECT_TRUE(target.Filename().isEmpty());
    EXPECT_EQ(target.Count(), 0);
}

// A layer with its own item class, as a route builds on the layer.
class TTaggedPoint : public TGeoPoint {
public:
    explicit TTaggedPoint(int& alive) : fAlive(alive) { ++fAlive; }
    ~TTaggedPoint() override { --fAlive; }

private:
    int& fAlive;
};

class TTaggedList : public TGeoList {
public:
    TTaggedList(int& alive, bool& destroyed)
        : TGeoList([&alive](TPointStart) { return std::make_unique<TTaggedPoint>(alive); }), fDestroyed(destroyed)
    {
    }
    ~TTaggedList() override { fDestroyed = true; }

private:
    bool& fDestroyed;
};

TEST(GeoList, DerivedLayersMakeTheirOwnItemsAndAreFreedThroughTheBase)
{
    int alive = 0;
    bool destroyed = false;
    {
        const std::unique_ptr<TGeoList> layer = std::make_unique<TTaggedList>(alive, destroyed);
        EXPECT_NE(dynamic_cast<TTaggedPoint*>(layer->Add()), nullptr);
        layer->Insert(0);
        EXPECT_EQ(alive, 2);
        layer->Delete(0);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(alive, 0);
}

} // namespace
