#include "LayerBytes.h"

#include "TestSupport.h"
#include "geo/uStreamUtils.h"

#include <QBuffer>

#include <gtest/gtest.h>

QByteArray Saved(const TGeoList& layer, quint16 version, bool selection)
{
    return Written([&](QIODevice& s) { layer.SaveToStream(s, version, selection); });
}

void LoadBytes(TGeoList& layer, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    layer.LoadFromStream(buffer);
}

QByteArray Int32(qint32 value)
{
    return Written([=](QIODevice& s) { WriteInteger(s, value); });
}

QByteArray Text(const QByteArray& text)
{
    return Written([&](QIODevice& s) { WriteString(s, text); });
}

QByteArray Text8(const QByteArray& text)
{
    return Written([&](QIODevice& s) { WriteString8(s, text); });
}

QByteArray Double(double value)
{
    return Written([=](QIODevice& s) { WriteDouble(s, value); });
}

QByteArray Header(const QByteArray& kind, quint16 version, const QByteArray& className)
{
    return Written([&](QIODevice& s) {
        WriteString8(s, kind);
        WriteWord(s, version);
        WriteString8(s, className);
    });
}

void ExpectSamePoint(const TGeoPoint& loaded, const TGeoPoint& saved, bool guidKept, bool permissionsStored)
{
    EXPECT_EQ(loaded.GUID() == saved.GUID(), guidKept);
    EXPECT_EQ(loaded.Caption(), saved.Caption());
    EXPECT_EQ(loaded.Tags(), saved.Tags());
    EXPECT_EQ(loaded.Text(), saved.Text());
    EXPECT_EQ(loaded.Latitude(), saved.Latitude());
    EXPECT_EQ(loaded.Longitude(), saved.Longitude());
    EXPECT_EQ(loaded.Encrypt(), saved.Encrypt());
    EXPECT_EQ(loaded.DateCreated(), saved.DateCreated());
    EXPECT_EQ(loaded.DateChanged(), saved.DateChanged());
    EXPECT_EQ(loaded.CanDelete(), permissionsStored ? saved.CanDelete() : true);
    EXPECT_EQ(loaded.CanEdit(), permissionsStored ? saved.CanEdit() : true);
    EXPECT_FALSE(loaded.Selected());
}

void SetSampleMetadata(TGeoList& layer)
{
    layer.setCaption(QStringLiteral("Zeeland \u00EB"));
    layer.setCategory(QStringLiteral("Vaargebied"));
    layer.setDateCreated(45000.25);
    layer.Description().Lines = {QStringLiteral("regel 1"), QStringLiteral("regel 2")};
    layer.Tags().Lines = {QStringLiteral("zee haven")};
    layer.Notes().Lines = {QStringLiteral("notitie")};
    layer.Colofon().Lines = {QStringLiteral("\u00A9 Ostrelon")};
    layer.setCanEdit(false);
}
