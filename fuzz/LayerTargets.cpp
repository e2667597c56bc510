// Layer files: loading any bytes keeps what was read and raises nothing but
// read errors; what was read survives our own writer.
#include "fuzz/FuzzTargets.h"

#include "geo/uGeoObjects.h"
#include "platform/Error.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

QByteArray Saved(const TGeoList& layer, quint16 version)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    layer.SaveToStream(buffer, version, false);
    return buffer.data();
}

void LoadAbsorbingDamage(TGeoList& layer, QByteArrayView bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    try {
        layer.LoadFromStream(buffer);
    } catch (const Error& e) {
        RequireReadError(e);
    }
}

void LoadSaved(TGeoList& layer, const QByteArray& image)
{
    try {
        QByteArray data = image;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        layer.LoadFromStream(buffer);
    } catch (const Error& e) {
        throw TFuzzFinding("a saved layer loads again: " + e.Message().toStdString());
    }
}

quint16 RewriteVersion(const TGeoList& layer) { return layer.FileVersion().ID() == 0 ? 0 : 6; }

namespace {

void SetSampleMetadata(TGeoList& layer)
{
    layer.setCaption(QStringLiteral("Zeeland \u00EB\u20AC"));
    layer.setCategory(QStringLiteral("Vaargebied"));
    layer.setDateCreated(45000.25);
    layer.Description().Lines = {QStringLiteral("regel 1"), QString(), QStringLiteral("regel 3")};
    layer.Tags().Lines = {QStringLiteral("zee haven")};
    layer.Tags().Encoding = TTextEncoding::Utf8;
    layer.Notes().Lines = {QStringLiteral("notitie \u00E9")};
    layer.Notes().Encoding = TTextEncoding::Utf16LE;
    layer.Colofon().Lines = {QStringLiteral("\u00A9 Ostrelon")};
    layer.Colofon().Encoding = TTextEncoding::Utf16BE;
    layer.setCanEdit(false);
}

void AddSamplePoints(TGeoList& layer)
{
    TGeoPoint* haven = layer.Add();
    haven->setCaption(QStringLiteral("Haven"));
    haven->setTags("boei");
    haven->setText("Kade \x80 5");
    haven->setLatitude(51.44);
    haven->setLongitude(3.57);
    haven->setEncrypt(true);

    TGeoPoint* sluis = layer.Add();
    sluis->setCaption(QStringLiteral("Sluis \u00E9"));
    sluis->setLatitude(-33.9);
    sluis->setLongitude(18.4);
    sluis->setCanDelete(false);

    layer.Add();
}

} // namespace

void RunLayerStream(QByteArrayView input)
{
    TGeoList layer;
    LoadAbsorbingDamage(layer, input);

    const quint16 version = RewriteVersion(layer);
    const QByteArray image = Saved(layer, version);
    TGeoList again;
    LoadSaved(again, image);
    Require(again.Count() == layer.Count(), "a saved layer keeps its points");
    Require(Saved(again, version) == image, "a saved layer reads back as it was written");
}

void RunLayerFile(QByteArrayView input)
{
    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("layer.lay"));
    {
        QFile file(path);
        const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                             && file.write(input.data(), input.size()) == input.size();
        Require(written, "the input is written to a file");
    }

    TGeoList fromFile;
    int afterLoad = 0;
    fromFile.setOnAfterLoad([&afterLoad](TGeoList&) { ++afterLoad; });
    fromFile.LoadFromFile(path); // contains every error of its own
    {
        QFile file(path);
        Require(file.open(QIODevice::ReadOnly) && file.readAll() == input, "loading leaves the file as it was");
    }

    if (!IsValidLayer(path)) {
        Require(fromFile.Count() == 0 && fromFile.Filename().isEmpty() && afterLoad == 0,
                "a file that is no layer changes nothing");
        return;
    }
    Require(fromFile.Filename() == path && afterLoad == 1 && !fromFile.HasChanged(),
            "a layer file is taken as loaded");
    TGeoList fromBytes;
    LoadAbsorbingDamage(fromBytes, input);
    Require(fromFile.Count() == fromBytes.Count() && fromFile.Caption() == fromBytes.Caption(),
            "a file loads as its bytes do");
}

QList<QByteArray> LayerSeeds()
{
    QList<QByteArray> seeds;
    const TGeoList empty;
    seeds << Saved(empty, 6) << Saved(empty, 0);

    TGeoList sample;
    SetSampleMetadata(sample);
    AddSamplePoints(sample);
    for (const quint16 version : {0, 1, 3, 5, 6, 7})
        seeds << Saved(sample, version);

    TGeoList layerKind;
    layerKind.SetFileVersion_FileID("LAYER");
    layerKind.Add()->setCaption(QStringLiteral("Boei"));
    seeds << Saved(layerKind, 6);
    return seeds;
}
