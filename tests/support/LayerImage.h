#pragma once

#include "LayerBytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>

#include <functional>
#include <map>
#include <string>
#include <vector>

class TGeoList;
class TGeoPoint;

// A layer or route file written field by field, with where every field lies:
// "kind", "version", "class", "guid", "created", "category", "caption", the
// lists, "candelete", "canedit", "count", and per point "point N guid" and so on.
class LayerImage {
public:
    struct Span {
        qsizetype Begin;
        qsizetype End;
    };

    LayerImage(const TGeoList& layer, quint16 version);

    const QByteArray& Bytes() const { return fBuffer.data(); }
    bool Has(const std::string& field) const { return fFields.contains(field); }
    Span At(const std::string& field) const { return fFields.at(field); }
    QByteArray Replaced(const std::string& field, const QByteArray& bytes) const;
    // The number of point records that end at or before the offset.
    int RecordsBefore(qsizetype offset) const;

private:
    void Add(const std::string& field, const std::function<void(QIODevice&)>& write);
    void AddPoint(const TGeoPoint& point, const std::string& prefix, quint16 version);

    QBuffer fBuffer;
    std::map<std::string, Span> fFields;
    std::vector<qsizetype> fRecordEnds;
};
