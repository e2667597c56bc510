#pragma once

#include "geo/uGeoObjects.h"

#include <QByteArray>

// Layer and route files as bytes, for tests that build or damage them.

QByteArray Saved(const TGeoList& layer, quint16 version, bool selection = false);
void LoadBytes(TGeoList& layer, QByteArray bytes);

// Single fields as a layer file stores them, to put in place of others.
QByteArray Int32(qint32 value);
QByteArray Text(const QByteArray& text);  // 4-byte count and bytes
QByteArray Text8(const QByteArray& text); // 1-byte count and bytes
QByteArray Double(double value);
QByteArray Header(const QByteArray& kind, quint16 version, const QByteArray& className);

// A loaded point against the one saved: its GUID kept or new, and its
// permissions stored or at their defaults; never selected.
void ExpectSamePoint(const TGeoPoint& loaded, const TGeoPoint& saved, bool guidKept, bool permissionsStored);

// Metadata of every kind, with texts beyond ASCII, and the layer not editable.
void SetSampleMetadata(TGeoList& layer);
