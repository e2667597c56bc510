#include "geo/uEasyCrypt.h"
#include "geo/uGeoObjects.h"
#include "geo/uStreamUtils.h"
#include "platform/Error.h"
#include "support/RefusedWrite.h"
#include "support/LayerBytes.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <functional>
#include <utility>
#include <vector>

namespace {

// A layer with every kind of metadata and three points: a scrambled one,
// one with texts beyond ASCII, and a selected one at 0,0.
std::unique_ptr<TGeoList> Sample()
{
    auto layer = std::make_unique<TGeoList>();
    SetSampleMetadata(*layer);
    layer->setCanDelete(false);

    TGeoPoint* haven = layer->Add();
    haven->setCaption(QStringLiteral("Haven"));
    haven->setTags("boei");
    haven->setText("Kade \x80 5");
    haven->setLatitude(51.44);
    haven->setLongitude(3.57);
    haven->setCanDelete(false);
    haven->setEncrypt(true);

    TGeoPoint* sluis = layer->Add();
    sluis->setCaption(QStringLiteral("Sluis \u00E9\u20AC"));
    sluis->setLatitude(-33.9);
    sluis->setLongitude(18.4);
    sluis->setCanEdit(false);

    layer->Add()->setSelected(true);
    return layer;
}

// A layer with a name and notes of its own, to show what a load replaced.
void Preset(TGeoList& layer)
{
    layer.SetFileVersion_FileID("L-OLD");
    layer.setCaption(QStringLiteral("Vorig"));
    layer.setCategory(QStringLiteral("Oud"));
    layer.Notes().Lines = {QStringLiteral("oud")};
}

class TempFiles : public ::testing::Test, protected TempFolder {};

// ------------------------------------------------------------------ writing

TEST(LayerFormat, EmptyLayerByteForByte)
{
    TGeoList layer;
    layer.setDateCreated(1.5);
    const QByteArray guid = Hex("26 00 00 00") + layer.GUIDStr().toLatin1();
    const QByteArray head = Hex("05") + "L-GEO";
    const QByteArray afterVersion = Hex("08") + "TGeoList" + guid + Hex("00 00 00 00 00 00 F8 3F");
    const QByteArray emptyText = Hex("00 00 00 00");

    const QByteArray v6 = Saved(layer, 6);
    EXPECT_EQ(v6.size(), 97);
    EXPECT_EQ(v6, head + Hex("06 00") + afterVersion + emptyText + emptyText + emptyText.repeated(4) + Hex("01 01")
                      + emptyText);

    const QByteArray v0 = Saved(layer, 0);
    EXPECT_EQ(v0.size(), 91);
    EXPECT_EQ(v0, head + Hex("00 00") + afterVersion + emptyText + emptyText.repeated(4) + emptyText);
}

TEST(LayerFormat, ScrambledPointTextsKeepTheirLength)
{
    TGeoPoint point;
    point.setEncrypt(true);
    point.setCaption(QStringLiteral("Haven"));
    const QByteArray record = Written([&](QIODevice& s) { point.SaveToStream(s, 6); });
    // GUID, flag, two dates, two empty texts, then the caption.
    const qsizetype caption = 42 + 1 + 16 + 4 + 4;
    EXPECT_EQ(record.mid(42, 1), Hex("01"));
    EXPECT_EQ(record.mid(caption, 9), Hex("05 00 00 00 4D 67 7D 6D 77"));
    EXPECT_EQ(record.size(), caption + 9 + 16 + 2);

    QByteArray data = record;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TGeoPoint loaded;
    loaded.LoadFromStream(buffer, 6);
    EXPECT_EQ(loaded.Caption(), QStringLiteral("Haven"));
    EXPECT_TRUE(loaded.Encrypt());
}

TEST(LayerFormat, VersionZeroRecordLacksThePermissions)
{
    TGeoPoint point;
    const QByteArray v0 = Written([&](QIODevice& s) { point.SaveToStream(s, 0); });
    const QByteArray v3 = Written([&](QIODevice& s) { point.SaveToStream(s, 3); });
    EXPECT_EQ(v0.size(), TGeoPoint::MinRecordSize(0));
    EXPECT_EQ(v3, v0 + Hex("01 01")); // later versions all write the newest record
}

TEST(LayerFormat, SavingAtAnotherVersionLeavesTheFileVersion)
{
    auto layer = Sample();
    layer->SetFileVersion_FileID("ROUTE");
    layer->SetFileVersion_Classname("TRoute");
    const QByteArray bytes = Saved(*layer, 2);
    EXPECT_TRUE(bytes.startsWith(Header("ROUTE", 2, "TRoute")));
    EXPECT_EQ(layer->FileVersion().ID(), 6);
}

TEST(LayerFormat, SelectionWritesOnlySelectedPointsWithTheirCount)
{
    auto layer = Sample();
    layer->GetItem(0)->setSelected(true);
    TGeoList loaded;
    LoadBytes(loaded, Saved(*layer, 6, true));
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.GetItem(0)->GUID(), layer->GetItem(0)->GUID());
    EXPECT_EQ(loaded.GetItem(1)->GUID(), layer->GetItem(2)->GUID());
}

// ---------------------------------------------------------------- round trip

struct VersionRow {
    quint16 version;
    bool pointGuidsKept;
    bool pointPermissionsStored;
    bool categoryAndPermissionsStored;
};

class LayerRoundTrip : public ::testing::TestWithParam<VersionRow> {};

TEST_P(LayerRoundTrip, ReadsBackWhatTheVersionStores)
{
    const VersionRow row = GetParam();
    const auto saved = Sample();
    TGeoList loaded;
    Preset(loaded);
    LoadBytes(loaded, Saved(*saved, row.version));

    EXPECT_EQ(loaded.FileVersion().FileID(), QByteArray("L-GEO"));
    EXPECT_EQ(loaded.FileVersion().ID(), row.version);
    EXPECT_EQ(loaded.FileVersion().ClassName(), QByteArray("TGeoList"));
    EXPECT_EQ(loaded.GUID(), saved->GUID());
    EXPECT_EQ(loaded.DateCreated(), 45000.25);
    EXPECT_EQ(loaded.Caption(), saved->Caption());
    EXPECT_EQ(loaded.Description().Lines, saved->Description().Lines);
    EXPECT_EQ(loaded.Tags().Lines, saved->Tags().Lines);
    EXPECT_EQ(loaded.Notes().Lines, saved->Notes().Lines);
    EXPECT_EQ(loaded.Colofon().Lines, saved->Colofon().Lines);
    EXPECT_EQ(loaded.Category(), row.categoryAndPermissionsStored ? saved->Category() : QStringLiteral("Oud"));
    EXPECT_EQ(loaded.CanDelete(), !row.categoryAndPermissionsStored);
    EXPECT_EQ(loaded.CanEdit(), !row.categoryAndPermissionsStored);

    ASSERT_EQ(loaded.Count(), saved->Count());
    for (int i = 0; i < saved->Count(); ++i) {
        SCOPED_TRACE(i);
        ExpectSamePoint(*loaded.GetItem(i), *saved->GetItem(i), row.pointGuidsKept, row.pointPermissionsStored);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, LayerRoundTrip,
                         ::testing::Values(VersionRow{0, true, false, false}, VersionRow{1, false, true, true},
                                           VersionRow{2, false, true, true}, VersionRow{3, false, true, true},
                                           VersionRow{4, false, true, true}, VersionRow{5, false, true, true},
                                           VersionRow{6, true, true, true},
                                           // unknown newer versions read as the newest
                                           VersionRow{7, true, true, true}),
                         [](const auto& info) { return "Version" + std::to_string(info.param.version); });

TEST(LayerFormat, PointsFromVersionsOneToFiveGetDistinctNewGuids)
{
    auto layer = Sample();
    layer->GetItem(1)->setGUID(layer->GetItem(0)->GUID());
    TGeoList loaded;
    LoadBytes(loaded, Saved(*layer, 3));
    EXPECT_NE(loaded.GetItem(0)->GUID(), loaded.GetItem(1)->GUID());
    EXPECT_FALSE(loaded.GetItem(0)->GUID().isNull());
}

// ------------------------------------------------------------ damaged input

// Where the fields of the sample's version-6 image lie.
struct SampleImage {
    QByteArray bytes;
    qsizetype count;              // the point count
    std::vector<qsizetype> point; // each point record

    explicit SampleImage(const TGeoList& layer)
    {
        bytes = Written([&](QIODevice& s) { layer.SaveLayer(s, 6); });
        count = bytes.size();
        bytes += Int32(layer.Count());
        for (int i = 0; i < layer.Count(); ++i) {
            point.push_back(bytes.size());
            bytes += Written([&](QIODevice& s) { layer.GetItem(i)->SaveToStream(s, 6); });
        }
    }
};

enum class Read { Header, UpToDescription, AllMetadata };

struct Damage {
    const char* name;
    std::function<void(SampleImage&)> apply;
    Read read;
    int points;
};

void Cut(SampleImage& image, qsizetype at) { image.bytes.truncate(at); }

class DamagedLayerFiles : public TempFiles {};

TEST_F(DamagedLayerFiles, KeepEverythingCompleteBeforeTheDamage)
{
    const qsizetype layerGuid = 1 + 5 + 2 + 1 + 8;
    const Damage damages[] = {
        {"cut in the layer GUID", [&](SampleImage& m) { Cut(m, layerGuid + 10); }, Read::Header, 0},
        {"layer GUID not a GUID", [&](SampleImage& m) { m.bytes[layerGuid + 5] = 'X'; }, Read::Header, 0},
        {"cut in the notes", [](SampleImage& m) { Cut(m, m.bytes.indexOf("notitie") + 3); }, Read::UpToDescription, 0},
        {"notes longer than the file",
         [](SampleImage& m) { m.bytes.replace(m.bytes.indexOf("notitie") - 4, 4, Int32(0x7FFFFFF0)); },
         Read::UpToDescription, 0},
        {"cut in the point count", [](SampleImage& m) { Cut(m, m.count + 2); }, Read::AllMetadata, 0},
        {"negative point count", [](SampleImage& m) { m.bytes.replace(m.count, 4, Int32(-1)); }, Read::AllMetadata, 0},
        {"first point's tags longer than the file",
         [](SampleImage& m) { m.bytes.replace(m.point[0] + 42 + 1 + 16, 4, Int32(0x7FFFFFFF)); }, Read::AllMetadata, 0},
        {"cut in the second point's caption", [](SampleImage& m) { Cut(m, m.bytes.indexOf("Sluis") + 2); },
         Read::AllMetadata, 1},
        {"second point's GUID not a GUID", [](SampleImage& m) { m.bytes[m.point[1] + 4 + 3] = 'g'; },
         Read::AllMetadata, 1},
        {"last point one byte short", [](SampleImage& m) { Cut(m, m.bytes.size() - 1); }, Read::AllMetadata, 2},
        {"count of five for three points", [](SampleImage& m) { m.bytes.replace(m.count, 4, Int32(5)); },
         Read::AllMetadata, 3},
        {"count of two billion for three points",
         [](SampleImage& m) { m.bytes.replace(m.count, 4, Int32(2000000000)); }, Read::AllMetadata, 3},
    };
    const auto sample = Sample();
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        SampleImage image(*sample);
        damage.apply(image);
        const QString path = WriteFile(QString::fromLatin1(damage.name), image.bytes);

        TGeoList layer;
        Preset(layer);
        int afterLoad = 0;
        layer.setOnAfterLoad([&](TGeoList&) { ++afterLoad; });
        layer.LoadFromFile(path);

        EXPECT_EQ(afterLoad, 1);
        EXPECT_EQ(layer.Filename(), path);
        EXPECT_FALSE(layer.HasChanged());
        EXPECT_EQ(layer.FileVersion().FileID(), QByteArray("L-GEO"));
        EXPECT_EQ(layer.Caption(), damage.read >= Read::UpToDescription ? sample->Caption() : QStringLiteral("Vorig"));
        EXPECT_EQ(layer.Description().Lines, damage.read >= Read::UpToDescription ? sample->Description().Lines
                                                                                  : QStringList());
        EXPECT_EQ(layer.Notes().Lines,
                  damage.read == Read::AllMetadata ? sample->Notes().Lines : QStringList{QStringLiteral("oud")});
        EXPECT_EQ(layer.CanEdit(), damage.read != Read::AllMetadata);
        ASSERT_EQ(layer.Count(), damage.points);
        for (int i = 0; i < layer.Count(); ++i)
            ExpectSamePoint(*layer.GetItem(i), *sample->GetItem(i), true, true);
    }
}

TEST_F(DamagedLayerFiles, ADamagedCountReservesNoMoreThanTheFileCouldHold)
{
    SampleImage image(*Sample());
    image.bytes.replace(image.count, 4, Int32(2000000000));
    TGeoList layer;
    layer.LoadFromFile(WriteFile(QStringLiteral("huge.lay"), image.bytes));
    EXPECT_EQ(layer.Count(), 3);
    EXPECT_LE(layer.Capacity(), 16);
}

TEST(LayerFormat, ReservesRoomForTheStoredCountOnce)
{
    // Points with empty texts take the fewest bytes a record can.
    TGeoList saved;
    for (int i = 0; i < 10; ++i)
        saved.Add();
    for (const quint16 version : {0, 3, 6}) {
        TGeoList loaded;
        LoadBytes(loaded, Saved(saved, version));
        EXPECT_EQ(loaded.Capacity(), 10) << version;
    }
}

// A layer that records the points it had to give up.
class TDiscardingList : public TGeoList {
public:
    std::vector<int> discarded;

protected:
    void DiscardPoint(int index) override
    {
        discarded.push_back(index);
        TGeoList::DiscardPoint(index);
    }
};

TEST(LayerFormat, StreamLoadRaisesAndDropsTheRecordCutShort)
{
    SampleImage cut(*Sample());
    Cut(cut, cut.bytes.size() - 1);
    TDiscardingList layer;
    layer.Add();
    EXPECT_EQ(ErrorOf([&] { LoadBytes(layer, cut.bytes); }), QStringLiteral("Stream read error"));
    EXPECT_EQ(layer.Count(), 3); // the point it had, and two complete ones
    EXPECT_EQ(layer.discarded, std::vector<int>{3});

    SampleImage negative(*Sample());
    negative.bytes.replace(negative.count, 4, Int32(-1));
    TDiscardingList other;
    EXPECT_EQ(ErrorOf([&] { LoadBytes(other, negative.bytes); }), QStringLiteral("Argument out of range"));
    EXPECT_EQ(other.Count(), 0);
    EXPECT_TRUE(other.discarded.empty());
}

// Each point is handed on as soon as it is read in full, in order, with the
// layer holding the points up to it; a point cut short never is.
TEST(LayerFormat, HandsOnEachPointAsSoonAsItIsRead)
{
    const auto sample = Sample();
    SampleImage cut(*sample);
    Cut(cut, cut.bytes.size() - 1);
    TGeoList layer;
    std::vector<std::pair<QString, int>> seen; // caption, points in the layer then
    layer.setOnPointLoaded([&](const TGeoPoint& point) { seen.emplace_back(point.Caption(), layer.Count()); });
    EXPECT_EQ(ErrorOf([&] { LoadBytes(layer, cut.bytes); }), QStringLiteral("Stream read error"));
    ASSERT_EQ(layer.Count(), sample->Count() - 1);
    std::vector<std::pair<QString, int>> expected;
    for (int i = 0; i < layer.Count(); ++i)
        expected.emplace_back(sample->GetItem(i)->Caption(), i + 1);
    EXPECT_EQ(seen, expected);
}

// ------------------------------------------------------------------ validity

class LayerValidity : public TempFiles {};

TEST_F(LayerValidity, ByKindOnly)
{
    const struct {
        const char* name;
        QByteArray bytes;
        bool valid;
    } files[] = {
        {"plain layer", Header("L-GEO", 6, "TGeoList"), true},
        {"LAYER", Header("LAYER", 6, "TGeoList"), true},
        {"other L- kind", Header("L-ABC", 2, "X"), true},
        {"kind cut to LAYER", Header("LAYERS", 6, "TGeoList"), true},
        {"version 7", Header("L-GEO", 7, "TGeoList"), true},
        {"nothing after the kind", Hex("05") + "L-GEO", true},
        {"route", Header("ROUTE", 6, "TRoute"), false},
        {"routes", Header("ROUTES", 6, "TRoute"), false},
        {"lower-case kind", Header("l-geo", 6, "TGeoList"), false},
        {"kind cut short", Hex("05") + "L-G", false},
        {"empty", QByteArray(), false},
    };
    for (const auto& f : files) {
        const QString path = WriteFile(QString::fromLatin1(f.name), f.bytes);
        EXPECT_EQ(IsValidLayer(path), f.valid) << f.name;
        EXPECT_EQ(TGeoList().IsValidFile(path), f.valid) << f.name;
    }
    EXPECT_FALSE(IsValidLayer(Path(QStringLiteral("missing"))));
    EXPECT_FALSE(IsValidLayer(fDir.path()));
}

TEST_F(LayerValidity, FileVersionOfTheHeader)
{
    const std::optional<TkdVersion> route =
        ReadFileVersion(WriteFile(QStringLiteral("a"), Header("ROUTES", 3, QByteArray(30, 'C')) + "rest"));
    ASSERT_TRUE(route);
    EXPECT_EQ(route->FileID(), QByteArray("ROUTE"));
    EXPECT_EQ(route->ID(), 3);
    EXPECT_EQ(route->ClassName(), QByteArray(25, 'C'));

    EXPECT_FALSE(ReadFileVersion(WriteFile(QStringLiteral("b"), Hex("05") + "ROUTE" + Hex("06 00"))));
    EXPECT_FALSE(ReadFileVersion(WriteFile(QStringLiteral("c"), Hex("05") + "ROUTE" + Hex("06"))));
    EXPECT_FALSE(ReadFileVersion(Path(QStringLiteral("missing"))));
}

// ----------------------------------------------------------- loading a file

class LayerFileLoad : public TempFiles {};

TEST_F(LayerFileLoad, InvalidFileChangesNothing)
{
    const QString path = WriteFile(QStringLiteral("route.rte"), Saved(*Sample(), 6).replace(1, 5, "ROUTE"));
    TGeoList layer;
    bool notified = false;
    layer.setOnBeforeLoad([&](TGeoList&) { notified = true; });
    layer.LoadFromFile(path);
    layer.LoadFromFile(Path(QStringLiteral("missing")));
    EXPECT_TRUE(layer.Filename().isEmpty());
    EXPECT_EQ(layer.Count(), 0);
    EXPECT_FALSE(notified);
}

TEST_F(LayerFileLoad, NotifiesAroundTheLoadAndLoadsAGivenNameOnce)
{
    const QString path = WriteFile(QStringLiteral("a.lay"), Saved(*Sample(), 6));
    TGeoList layer;
    QStringList events;
    layer.setOnBeforeLoad([&](TGeoList& sender) {
        events << QStringLiteral("before %1 %2").arg(sender.Filename() == path).arg(sender.Count());
    });
    layer.setOnAfterLoad([&](TGeoList& sender) {
        events << QStringLiteral("after %1 %2").arg(sender.Filename() == path).arg(sender.Count());
    });
    layer.LoadFromFile(path);
    layer.LoadFromFile(path);
    EXPECT_EQ(events, (QStringList{QStringLiteral("before 1 0"), QStringLiteral("after 1 3")}));
    EXPECT_EQ(layer.Count(), 3);
    EXPECT_FALSE(layer.HasChanged());

    const TGeoList constructed(path);
    EXPECT_EQ(constructed.Count(), 3);
    EXPECT_EQ(constructed.Caption(), Sample()->Caption());
}

TEST_F(LayerFileLoad, ANotificationsErrorReachesTheCallerAfterTheLoadIsClosed)
{
    const QString path = WriteFile(QStringLiteral("a.lay"), Saved(*Sample(), 6));
    TGeoList layer;
    layer.setOnAfterLoad([](TGeoList&) { throw Error(TErrorKind::ekInvalidValue, QStringLiteral("gestopt")); });
    EXPECT_EQ(ErrorOf([&] { layer.LoadFromFile(path); }), QStringLiteral("gestopt"));
    EXPECT_EQ(layer.Count(), 3);
    EXPECT_FALSE(layer.HasChanged());
}

// What a point's notification raises is its own, whatever its kind: never
// taken for damage in the file, nor for a failure to read it.
TEST_F(LayerFileLoad, APointNotificationsErrorIsNeitherDamageNorTheFilesFailure)
{
    const QString path = WriteFile(QStringLiteral("a.lay"), Saved(*Sample(), 6));
    const Error raised[] = {Error::RangeCheck(), Error::StreamRead(),
                            Error::CannotReadFile(Path(QStringLiteral("ander.kml")), QStringLiteral("Input/output error")),
                            Error::CannotCreateFile(Path(QStringLiteral("a.kmz")), QStringLiteral("File too large"))};
    for (const Error& error : raised) {
        SCOPED_TRACE(error.Message().toStdString());
        TGeoList layer;
        layer.setOnPointLoaded([&error](const TGeoPoint&) { throw error; });
        try {
            layer.LoadFromFile(path);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.Kind(), error.Kind());
            EXPECT_EQ(e.Message(), error.Message());
        }
        EXPECT_FALSE(layer.LoadDamage());
    }
}

#ifndef Q_OS_WIN
// The point count printed by the load tool, run as an unprivileged user when
// we are root (whom permission bits do not stop), else in this process.
QString LoadAsUnprivilegedUser(const QString& path, const QString& folder)
{
    if (geteuid() != 0) {
        try {
            TGeoList layer;
            layer.LoadFromFile(path);
            return QString::number(layer.Count());
        } catch (const Error& e) {
            return e.Message();
        }
    }
    const QString tool = folder + QStringLiteral("/load_layer");
    if (!QFile::exists(tool) && !QFile::copy(QString::fromUtf8(LOAD_LAYER_TOOL), tool))
        return QStringLiteral("cannot copy the load tool");
    QProcess process;
    process.start(QStringLiteral("runuser"),
                  {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), tool, path});
    if (!process.waitForFinished(60000))
        return QStringLiteral("load tool did not finish");
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed()
           + QString::fromUtf8(process.readAllStandardError());
}

TEST_F(LayerFileLoad, AFileNobodyMayWriteLoadsInFull)
{
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                     | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(fDir.path(), all));
    const QString readOnly = WriteFile(QStringLiteral("read-only.lay"), Saved(*Sample(), 6));
    ASSERT_TRUE(
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    EXPECT_EQ(LoadAsUnprivilegedUser(readOnly, fDir.path()), QStringLiteral("3"));

    const QString unreadable = WriteFile(QStringLiteral("unreadable.lay"), Saved(*Sample(), 6));
    ASSERT_TRUE(QFile::setPermissions(unreadable, {}));
    EXPECT_EQ(LoadAsUnprivilegedUser(unreadable, fDir.path()),
              QStringLiteral("Cannot open file \"%1\". Permission denied").arg(unreadable));
}
#else
// The chart software may have a route file open, for writing too: it loads all the same.
TEST_F(LayerFileLoad, AFileAnotherProgramHasOpenLoadsInFull)
{
    const QString path = WriteFile(QStringLiteral("open.lay"), Saved(*Sample(), 6));
    const HANDLE held = CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TGeoList layer;
    EXPECT_TRUE(layer.LoadFromFile(path));
    EXPECT_EQ(layer.Count(), 3);
    CloseHandle(held);
}
#endif

// A file that grows shorter while it loads is no damage in it: the load
// fails, and says what happened.
TEST_F(LayerFileLoad, AFileThatGrowsShorterWhileItLoadsFailsSayingSo)
{
    TGeoList big;
    for (int i = 0; i < 20000; ++i) // far beyond the first piece read
        big.Add()->setLatitude(i * 1e-4);
    const QString path = WriteFile(QStringLiteral("big.lay"), Saved(big, 6));
    TGeoList layer;
    layer.setOnPointLoaded([&path, cut = false](const TGeoPoint&) mutable {
        if (!std::exchange(cut, true))
            QFile::resize(path, 1000);
    });
    EXPECT_EQ(ErrorOf([&] { layer.LoadFromFile(path); }),
              ErrorText::CannotReadFile(path, QStringLiteral("The file grew shorter while it was read")));
}

TEST_F(LayerFileLoad, WhatIsNoRegularFileIsNoLayerAndIsNotWaitedFor)
{
    // A name cut at a null character would name a layer.
    const QString layerFile = WriteFile(QStringLiteral("a.lay"), Saved(*Sample(), 6));
    ASSERT_TRUE(IsValidLayer(layerFile));
    QStringList paths = {fDir.path(), Path(QStringLiteral("missing.lay")), QString(), layerFile + QChar(0),
                         layerFile + QChar(0) + QStringLiteral("x")};
#ifdef Q_OS_WIN
    paths << QStringLiteral("NUL") << QStringLiteral("\\\\.\\pipe\\route");
#else
    // A named pipe with no writer would block a plain open.
    const QString pipe = Path(QStringLiteral("pipe.lay"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString link = Path(QStringLiteral("dangling.lay"));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("nowhere.lay")), link));
    paths << pipe << link;
#endif
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        TGeoList layer;
        EXPECT_FALSE(IsValidLayer(path));
        EXPECT_FALSE(layer.IsValidFile(path));
        EXPECT_FALSE(ReadFileVersion(path).has_value());
        EXPECT_FALSE(layer.LoadFromFile(path));
        EXPECT_TRUE(layer.Filename().isEmpty());
    }
}

TEST(LayerFileHead, ParsedAsFarAsTheBytesGo)
{
    const QByteArray whole = Hex("06") + "L-GEOX" + Hex("06 00 08") + "TGeoList" + "rest";
    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        const TFileHead head = ParseFileHead(QByteArrayView(whole).first(cut));
        EXPECT_EQ(head.Kind.has_value(), cut >= 7);
        if (head.Kind) {
            EXPECT_EQ(*head.Kind, QByteArray("L-GEO"));
        }
        EXPECT_EQ(head.Version.has_value(), cut >= 18);
        if (head.Version) {
            EXPECT_EQ(head.Version->FileID(), QByteArray("L-GEO"));
            EXPECT_EQ(head.Version->ID(), 6);
            EXPECT_EQ(head.Version->ClassName(), QByteArray("TGeoList"));
        }
        EXPECT_EQ(IsLayerHead(head), cut >= 7);
    }
}

// ------------------------------------------------------------ saving a file

class LayerFileSave : public TempFiles {};

TEST_F(LayerFileSave, WritesTheFileAndNotifiesAroundIt)
{
    auto layer = Sample();
    QStringList events;
    layer->setOnBeforeSave(
        [&](TGeoList& sender) { events << QStringLiteral("before ") + QFileInfo(sender.Filename()).fileName(); });
    layer->setOnAfterSave([&](TGeoList&) { events << QStringLiteral("after"); });
    const QString path = Path(QStringLiteral("a.lay"));
    EXPECT_TRUE(layer->SaveToFile(path, false));
    EXPECT_EQ(events, (QStringList{QStringLiteral("before a.lay"), QStringLiteral("after")}));
    EXPECT_EQ(layer->Filename(), path);
    EXPECT_FALSE(layer->HasChanged());
    EXPECT_EQ(ReadFile(path), Saved(*layer, 6));

    EXPECT_TRUE(layer->SaveToFile(path, 0, true));
    EXPECT_EQ(ReadFile(path), Saved(*layer, 0, true));
    EXPECT_TRUE(layer->SaveToFile(2, false));
    EXPECT_EQ(ReadFile(path), Saved(*layer, 2));
    EXPECT_TRUE(layer->SaveToFile(true));
    EXPECT_EQ(ReadFile(path), Saved(*layer, 6, true));
}

TEST_F(LayerFileSave, AFailedSaveReportsItAndKeepsTheOldFile)
{
    const QString path = WriteFile(QStringLiteral("a.lay"), "old content");
    auto layer = Sample();
    layer->GetItem(0)->setText(QByteArray(65536, 'x')); // too long to scramble
    int afterSave = 0;
    layer->setOnAfterSave([&](TGeoList&) { ++afterSave; });
    EXPECT_FALSE(layer->SaveToFile(path, false));
    EXPECT_EQ(ReadFile(path), QByteArray("old content"));
    EXPECT_EQ(afterSave, 1);
    EXPECT_FALSE(layer->HasChanged());

    const QString nowhere = Path(QStringLiteral("missing/a.lay"));
    EXPECT_FALSE(TGeoList().SaveToFile(nowhere, false));
    EXPECT_FALSE(QFile::exists(nowhere));

    // A layer small enough to stay in the file's buffer until the end.
    TGeoList small;
    for (int i = 0; i < 50; ++i)
        small.Add();
    bool saved = true;
    {
        const RefusedWriteScope refused(path);
        saved = small.SaveToFile(path, false);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(path), QByteArray("old content"));
    EXPECT_EQ(QDir(fDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.lay")});
}

} // namespace
