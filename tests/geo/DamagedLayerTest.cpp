// Layer files of every version, cut short at every byte or damaged in one
// field: the load keeps exactly the points complete before the damage and
// no error escapes it.
#include "geo/uGeoObjects.h"
#include "platform/Error.h"
#include "support/LayerImage.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr quint16 kVersions[] = {0, 1, 2, 3, 4, 5, 6};
constexpr int kDamagedPoint = 1; // the scrambled one, between two others

const QByteArray kNaN = Double(std::numeric_limits<double>::quiet_NaN());

// Metadata of every kind and three points; the middle one is scrambled.
std::unique_ptr<TGeoList> Sample()
{
    auto layer = std::make_unique<TGeoList>();
    SetSampleMetadata(*layer);

    const auto add = [&](const QString& caption, double lat, double lon) {
        TGeoPoint* point = layer->Add();
        point->setCaption(caption);
        point->setTags("boei");
        point->setText("Kade \x80 5");
        point->setLatitude(lat);
        point->setLongitude(lon);
        return point;
    };
    add(QStringLiteral("Boei 1"), 51.5, 3.6)->setCanDelete(false);
    add(QStringLiteral("Haven"), 51.44, 3.57)->setEncrypt(true);
    add(QStringLiteral("Sluis \u00E9\u20AC"), -33.9, 18.4)->setCanEdit(false);
    return layer;
}

QString StreamLoadError(const QByteArray& bytes)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TGeoList layer;
    try {
        layer.LoadFromStream(buffer);
    } catch (const Error& e) {
        return e.Message();
    }
    return {};
}

// What LoadFromFile made of a damaged file.
struct Loaded {
    std::unique_ptr<TGeoList> layer = std::make_unique<TGeoList>();
    int afterLoad = 0;
};

class DamagedLayer : public ::testing::TestWithParam<quint16>, protected TempFolder {
protected:
    // Loads the bytes through a file; an error that escapes fails the test.
    Loaded LoadFile(const QByteArray& bytes) const
    {
        const QString path = WriteFile(QStringLiteral("damaged.lay"), bytes);
        Loaded loaded;
        loaded.layer->setOnAfterLoad([&loaded](TGeoList&) { ++loaded.afterLoad; });
        EXPECT_NO_THROW(loaded.layer->LoadFromFile(path));
        loaded.layer->setOnAfterLoad(nullptr);
        const bool taken = loaded.layer->Filename() == path;
        EXPECT_EQ(loaded.afterLoad, taken ? 1 : 0);
        EXPECT_FALSE(loaded.layer->HasChanged());
        return loaded;
    }

    // The loaded points are the sample's first ones, except `skip`.
    // What the points keep follows the version the file gives.
    static void ExpectSamplePoints(const TGeoList& layer, int count, const TGeoList& sample, int skip = -1)
    {
        ASSERT_EQ(layer.Count(), count);
        const quint16 version = layer.FileVersion().ID();
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            if (i != skip)
                ExpectSamePoint(*layer.GetItem(i), *sample.GetItem(i), version == 0 || version >= 6, version != 0);
        }
    }
};

// ---------------------------------------------------------------- truncation

TEST_P(DamagedLayer, EveryCutKeepsThePointsCompleteBeforeIt)
{
    const quint16 version = GetParam();
    const auto sample = Sample();
    const LayerImage image(*sample, version);
    ASSERT_EQ(image.Bytes(), Written([&](QIODevice& s) { sample->SaveToStream(s, version, false); }));

    for (qsizetype cut = 0; cut <= image.Bytes().size(); ++cut) {
        SCOPED_TRACE(cut);
        const QByteArray prefix = image.Bytes().left(cut);
        const Loaded loaded = LoadFile(prefix);
        const bool kindComplete = cut >= image.At("kind").End;
        EXPECT_EQ(loaded.afterLoad, kindComplete ? 1 : 0);
        ExpectSamplePoints(*loaded.layer, kindComplete ? image.RecordsBefore(cut) : 0, *sample);
        EXPECT_EQ(StreamLoadError(prefix), cut < image.Bytes().size() ? ErrorText::StreamRead() : QString());
        // The damage is recorded with the point count the file claims, once read.
        const bool cutShort = kindComplete && cut < image.Bytes().size();
        ASSERT_EQ(loaded.layer->LoadDamage().has_value(), cutShort);
        if (cutShort) {
            EXPECT_EQ(loaded.layer->LoadDamage()->ClaimedCount, cut >= image.At("count").End ? 3 : -1);
        }
    }
}

// A device that fails after a number of bytes, as a disk with a bad sector.
class FailingDevice : public QIODevice {
public:
    FailingDevice(QByteArray bytes, qint64 good) : fBytes(std::move(bytes)), fGood(good)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return fBytes.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (pos() >= fGood) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 count = std::min(maxSize, fGood - pos());
        std::copy_n(fBytes.constData() + pos(), count, data);
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray fBytes;
    qint64 fGood;
};

// The error a load from the device raises.
std::optional<Error> LoadError(QIODevice& device)
{
    TGeoList layer;
    try {
        layer.LoadFromStream(device);
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}

// A device that fails is no damage: the load raises a read failure with the
// device's reason, never the "Stream read error" of data that ends early.
TEST(DamagedLayerStream, ADeviceThatFailsIsAReadFailureNotDamage)
{
    const auto sample = Sample();
    const QByteArray bytes = Written([&](QIODevice& s) { sample->SaveToStream(s, 6, false); });
    for (const qint64 good : {qint64(0), qint64(7), bytes.size() / 2, bytes.size() - 1}) {
        SCOPED_TRACE(good);
        FailingDevice device(bytes, good);
        const std::optional<Error> error = LoadError(device);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->Kind(), TErrorKind::ekReadFailed);
        EXPECT_EQ(error->Reason(), QStringLiteral("Input/output error"));
    }
    QByteArray cut = bytes.left(bytes.size() - 1);
    QBuffer buffer(&cut);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<Error> damage = LoadError(buffer);
    ASSERT_TRUE(damage);
    EXPECT_EQ(damage->Kind(), TErrorKind::ekDamage);
}

// ------------------------------------------------------------ single fields

enum class Outcome {
    Harmless,  // everything loads
    Stops,     // the load stops at the field with the error
    NotALayer, // the file is passed over
};

struct Corruption {
    const char* name;
    const char* field; // "point" stands for the damaged point
    QByteArray bytes;  // in place of the field's
    Outcome outcome;
    QString error;
    std::optional<int> points = std::nullopt; // else all, or those before the field
    quint16 fromVersion = 0;
    bool onlyTheGuidText = false; // harmless where the point GUID is skipped
};

QString NoGuid(const char* text) { return QStringLiteral("'%1' is not a valid GUID value").arg(QLatin1String(text)); }

const QString kRead = ErrorText::StreamRead();
const QString kRange = ErrorText::RangeCheck();
const QString kArgument = ErrorText::ArgumentOutOfRange();
const QString kNone;

const Corruption kCorruptions[] = {
    {"empty kind", "kind", Text8(""), Outcome::NotALayer, kNone},
    {"route kind", "kind", Text8("ROUTE"), Outcome::NotALayer, kNone},
    {"kind LAYER", "kind", Text8("LAYER"), Outcome::Harmless, kNone},
    {"long kind", "kind", Text8("L-GEOGRAFIE"), Outcome::Harmless, kNone},
    {"unknown newer version", "version", Hex("FF FF"), Outcome::Harmless, kNone, {}, 1},
    {"version 7", "version", Hex("07 00"), Outcome::Harmless, kNone, {}, 1},
    {"empty class", "class", Text8(""), Outcome::Harmless, kNone},
    {"class over 25 characters", "class", Text8(QByteArray(40, 'K')), Outcome::Harmless, kNone},
    {"lower-case GUID", "guid", Text("{12345678-9abc-def0-0123-456789abcdef}"), Outcome::Harmless, kNone},
    {"GUID without braces", "guid", Text("12345678-9ABC-DEF0-0123-456789ABCDEF"), Outcome::Stops,
     NoGuid("12345678-9ABC-DEF0-0123-456789ABCDEF")},
    {"GUID with a G", "guid", Text("{12345678-9ABC-DEF0-0123-456789ABCDEG}"), Outcome::Stops,
     NoGuid("{12345678-9ABC-DEF0-0123-456789ABCDEG}")},
    {"empty GUID", "guid", Text(""), Outcome::Stops, NoGuid("")},
    {"GUID count beyond the file", "guid", Int32(0x7FFFFFFF), Outcome::Stops, kRead},
    {"GUID count of 2^31", "guid", Int32(std::numeric_limits<qint32>::min()), Outcome::Stops, kRange},
    {"GUID count of 2^32-1", "guid", Int32(-1), Outcome::Stops, kRange},
    {"creation time not a number", "created", kNaN, Outcome::Harmless, kNone},
    {"category count beyond the file", "category", Int32(0x7FFFFFFF) + "Vaargebied", Outcome::Stops, kRead},
    {"caption count of 2^31", "caption", Int32(std::numeric_limits<qint32>::min()), Outcome::Stops, kRange},
    {"negative description count", "description", Int32(-1), Outcome::Stops, kRange},
    {"tags count beyond the file", "tags", Int32(0x7FFFFFF0), Outcome::Stops, kRead},
    {"odd UTF-16 notes", "notes", Int32(5) + Hex("FF FE 41 00 42"), Outcome::Harmless, kNone},
    {"lowest colofon count", "colofon", Int32(std::numeric_limits<qint32>::min()), Outcome::Stops, kRange},
    {"flag byte 2", "candelete", Hex("02"), Outcome::Harmless, kNone},
    {"negative point count", "count", Int32(-1), Outcome::Stops, kArgument},
    {"lowest point count", "count", Int32(std::numeric_limits<qint32>::min()), Outcome::Stops, kArgument},
    {"point count 0", "count", Int32(0), Outcome::Harmless, kNone, 0},
    {"point count 1", "count", Int32(1), Outcome::Harmless, kNone, 1},
    {"point count 4", "count", Int32(4), Outcome::Stops, kRead, 3},
    {"point count two billion", "count", Int32(2000000000), Outcome::Stops, kRead, 3},

    {"point GUID not a GUID", "point guid", Text("geen guid"), Outcome::Stops, NoGuid("geen guid"), {}, 0, true},
    {"empty point GUID", "point guid", Text(""), Outcome::Stops, NoGuid(""), {}, 0, true},
    {"lower-case point GUID", "point guid", Text("{12345678-9abc-def0-0123-456789abcdef}"), Outcome::Harmless, kNone},
    {"point GUID count beyond the file", "point guid", Int32(0x7FFFFFFF), Outcome::Stops, kRead},
    {"point GUID count of 2^31", "point guid", Int32(std::numeric_limits<qint32>::min()), Outcome::Stops, kRange},
    {"scrambling flag cleared", "point encrypt", Hex("00"), Outcome::Harmless, kNone},
    {"scrambling flag byte 2", "point encrypt", Hex("02"), Outcome::Harmless, kNone},
    {"point time not a number", "point changed", kNaN, Outcome::Harmless, kNone},
    {"point tags count beyond the file", "point tags", Int32(0x7FFFFFFF), Outcome::Stops, kRead},
    {"point text count of 2^32-1", "point text", Int32(-1), Outcome::Stops, kRange},
    {"scrambled caption over 65,535 bytes", "point caption", Text(QByteArray(70000, 'x')), Outcome::Stops, kRange},
    {"point caption count beyond the file", "point caption", Int32(0x7FFFFFFF), Outcome::Stops, kRead},
    {"latitude not a number", "point latitude", kNaN, Outcome::Harmless, kNone},
    {"point flag byte 255", "point canedit", Hex("FF"), Outcome::Harmless, kNone},
};

TEST_P(DamagedLayer, OneDamagedFieldKeepsThePointsCompleteBeforeIt)
{
    const quint16 version = GetParam();
    const auto sample = Sample();
    const LayerImage image(*sample, version);
    const std::string damagedPoint = "point " + std::to_string(kDamagedPoint + 1);
    for (const Corruption& c : kCorruptions) {
        std::string field = c.field;
        if (field.starts_with("point"))
            field.replace(0, 5, damagedPoint);
        if (version < c.fromVersion || !image.Has(field))
            continue;
        SCOPED_TRACE(c.name);
        const bool skipped = c.onlyTheGuidText && version >= 1 && version <= 5;
        const Outcome outcome = skipped ? Outcome::Harmless : c.outcome;
        const QByteArray damaged = image.Replaced(field, c.bytes);

        const Loaded loaded = LoadFile(damaged);
        EXPECT_EQ(loaded.afterLoad, outcome == Outcome::NotALayer ? 0 : 1);
        if (outcome == Outcome::NotALayer) {
            EXPECT_EQ(loaded.layer->Count(), 0);
            continue;
        }
        const int all = sample->Count();
        const int before = image.RecordsBefore(image.At(field).Begin);
        const int points = c.points.value_or(outcome == Outcome::Harmless ? all : before);
        const int skip = field.starts_with(damagedPoint) ? kDamagedPoint : -1;
        ExpectSamplePoints(*loaded.layer, points, *sample, skip);
        EXPECT_EQ(StreamLoadError(damaged), skipped ? kNone : c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, DamagedLayer, ::testing::ValuesIn(kVersions),
                         [](const auto& info) { return "Version" + std::to_string(info.param); });

// ------------------------------------------------------ former fuzz findings

// A UTF-8 description block of three marks and five NULs, then the end of the
// file: the first mark says UTF-8, the other two are text and stay when the
// layer is saved again.
TEST(FormerFuzzFindings, MarksAfterTheFirstInATextBlockAreText)
{
    const QString path = QStringLiteral(FUZZ_FIXTURES "/layer_stream/description-utf8-three-byte-order-marks");
    TGeoList layer;
    layer.LoadFromFile(path);
    ASSERT_EQ(layer.Filename(), path);
    const QString line = QStringLiteral("\uFEFF\uFEFF") + QString(5, QChar(0));
    EXPECT_EQ(layer.Description().Lines, QStringList{line});
    EXPECT_EQ(layer.Description().Encoding, TTextEncoding::Utf8);
    EXPECT_EQ(layer.Count(), 0);

    TGeoList again;
    QByteArray saved = Written([&](QIODevice& s) { layer.SaveToStream(s, 6, false); });
    QBuffer buffer(&saved);
    buffer.open(QIODevice::ReadOnly);
    again.LoadFromStream(buffer);
    EXPECT_EQ(again.Description().Lines, QStringList{line});
}

// ------------------------------------------------------------------- memory

// The point count and peak memory growth, in KiB, of loading the file in a
// process of its own.
struct Peak {
    int points = -1;
    qint64 resident = 0;
    qint64 virtualSize = 0;
};

Peak LoadInOwnProcess(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral(LAYER_LOAD_PEAK_TOOL), {path});
    if (!process.waitForFinished(60000))
        return {};
    const QList<QByteArray> fields = process.readAllStandardOutput().simplified().split(' ');
    if (fields.size() != 3)
        return {};
    return {fields[0].toInt(), fields[1].toLongLong(), fields[2].toLongLong()};
}

TEST(DamagedLayerMemory, TwoBillionPointsClaimedThreePresentLoadInLittleMemory)
{
    const QTemporaryDir dir;
    const LayerImage image(*Sample(), 6);
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const Peak healthy = LoadInOwnProcess(write(QStringLiteral("healthy.lay"), image.Bytes()));
    const Peak damaged =
        LoadInOwnProcess(write(QStringLiteral("damaged.lay"), image.Replaced("count", Int32(2000000000))));
    ASSERT_EQ(healthy.points, 3);
    ASSERT_EQ(damaged.points, 3);
    // A list reserved for the claimed count would take 16 GB of address space.
    constexpr qint64 kSlackKiB = 16 * 1024;
    EXPECT_LE(damaged.resident, healthy.resident + kSlackKiB);
    EXPECT_LE(damaged.virtualSize, healthy.virtualSize + kSlackKiB);
}

} // namespace
