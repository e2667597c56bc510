#include "LayerBytes.h"

#include "TestSupport.h"
#include "geo/uStreamUtils.h"

#include <QBuffer>

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
