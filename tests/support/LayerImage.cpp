#include "LayerImage.h"

#include "TestSupport.h"

#include "geo/uEasyCrypt.h"
#include "geo/uGeoObjects.h"
#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"

#include <algorithm>

LayerImage::LayerImage(const TGeoList& layer, quint16 version)
{
    fBuffer.open(QIODevice::WriteOnly);
    Add("kind", [&](QIODevice& s) { WriteString8(s, layer.FileVersion().FileID()); });
    Add("version", [&](QIODevice& s) { WriteWord(s, version); });
    Add("class", [&](QIODevice& s) { WriteString8(s, layer.FileVersion().ClassName()); });
    Add("guid", [&](QIODevice& s) { WriteGUID(s, layer.GUID()); });
    Add("created", [&](QIODevice& s) { WriteDateTime(s, layer.DateCreated()); });
    if (version != 0)
        Add("category", [&](QIODevice& s) { WriteString(s, ToAnsi(layer.Category())); });
    Add("caption", [&](QIODevice& s) { WriteString(s, ToAnsi(layer.Caption())); });
    Add("description", [&](QIODevice& s) { WriteStringList(s, &layer.Description()); });
    Add("tags", [&](QIODevice& s) { WriteStringList(s, &layer.Tags()); });
    Add("notes", [&](QIODevice& s) { WriteStringList(s, &layer.Notes()); });
    Add("colofon", [&](QIODevice& s) { WriteStringList(s, &layer.Colofon()); });
    if (version != 0) {
        Add("candelete", [&](QIODevice& s) { WriteBoolean(s, layer.CanDelete()); });
        Add("canedit", [&](QIODevice& s) { WriteBoolean(s, layer.CanEdit()); });
    }
    Add("count", [&](QIODevice& s) { WriteInteger(s, layer.Count()); });
    for (int i = 0; i < layer.Count(); ++i) {
        AddPoint(*layer.GetItem(i), "point " + std::to_string(i + 1) + " ", version);
        fRecordEnds.push_back(fBuffer.pos());
    }
}

QByteArray LayerImage::Replaced(const std::string& field, const QByteArray& bytes) const
{
    const Span span = At(field);
    return QByteArray(Bytes()).replace(span.Begin, span.End - span.Begin, bytes);
}

int LayerImage::RecordsBefore(qsizetype offset) const
{
    return static_cast<int>(std::ranges::count_if(fRecordEnds, [=](qsizetype end) { return end <= offset; }));
}

void LayerImage::Add(const std::string& field, const std::function<void(QIODevice&)>& write)
{
    const qsizetype begin = fBuffer.pos();
    write(fBuffer);
    fFields[field] = {begin, fBuffer.pos()};
}

void LayerImage::AddPoint(const TGeoPoint& point, const std::string& prefix, quint16 version)
{
    const auto text = [&](QIODevice& s, const QByteArray& t) { WriteString(s, point.Encrypt() ? AnsiCode(t) : t); };
    Add(prefix + "guid", [&](QIODevice& s) { WriteGUID(s, point.GUID()); });
    Add(prefix + "encrypt", [&](QIODevice& s) { WriteBoolean(s, point.Encrypt()); });
    Add(prefix + "created", [&](QIODevice& s) { WriteDateTime(s, point.DateCreated()); });
    Add(prefix + "changed", [&](QIODevice& s) { WriteDateTime(s, point.DateChanged()); });
    Add(prefix + "tags", [&](QIODevice& s) { text(s, point.Tags()); });
    Add(prefix + "text", [&](QIODevice& s) { text(s, point.Text()); });
    Add(prefix + "caption", [&](QIODevice& s) { text(s, ToAnsi(point.Caption())); });
    Add(prefix + "latitude", [&](QIODevice& s) { WriteDouble(s, point.Latitude()); });
    Add(prefix + "longitude", [&](QIODevice& s) { WriteDouble(s, point.Longitude()); });
    if (version != 0) {
        Add(prefix + "candelete", [&](QIODevice& s) { WriteBoolean(s, point.CanDelete()); });
        Add(prefix + "canedit", [&](QIODevice& s) { WriteBoolean(s, point.CanEdit()); });
    }
}
