#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

class Error;
class TGeoList;
struct TDosDateTime;

#include <span>
#include <stdexcept>
#include <string_view>

// A fuzz target: feeds one input of arbitrary bytes to the code under test.
// Errors that the code reports for bad input are expected and absorbed; a
// broken promise raises TFuzzFinding, anything else escapes as well, and the
// fuzzer records the input that did it.
struct TFuzzTarget {
    const char* Name;
    void (*Run)(QByteArrayView input);
    // Valid inputs made by our own writers, for the fuzzer to start from.
    QList<QByteArray> (*Seeds)();
};

class TFuzzFinding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Raises TFuzzFinding with `promise` when `kept` is false.
void Require(bool kept, const char* promise);
// Raises TFuzzFinding unless the error is one that damaged input may cause
// while reading: a short stream, an impossible count or a malformed GUID.
void RequireReadError(const Error& error);

// Every target, in the order the fuzz script runs them. fuzz/CMakeLists.txt
// makes a program for each row of the table, reading the names from it, so a
// new target joins the table and nothing else.
std::span<const TFuzzTarget> FuzzTargets();
// Raises std::invalid_argument for a name the table lacks.
const TFuzzTarget& FuzzTargetNamed(std::string_view name);

// Loads a layer or route from a buffer over the bytes; damage ends the load
// with a read error, which is absorbed.
void LoadAbsorbingDamage(TGeoList& layer, QByteArrayView bytes);
// Loads what our own writer made; any error is a finding.
void LoadSaved(TGeoList& layer, const QByteArray& image);
QByteArray Saved(const TGeoList& layer, quint16 version);
// The version to write a loaded layer back in: version 0 has a layout of its
// own; every other version is written as the newest, which, unlike versions
// 1 to 5, keeps the point GUIDs it reads.
quint16 RewriteVersion(const TGeoList& layer);
// Raises TFuzzFinding unless `archive` is a ZIP archive of one deflated entry
// holding `content` under `name`, with that stamp and those attributes, its
// CRC-32 and sizes agreeing in both headers.
void RequireArchiveOf(const QByteArray& archive, const QString& name, const QByteArray& content,
                      const TDosDateTime& stamp, quint32 attributes);

// The bodies, one unit per area.
void RunLayerStream(QByteArrayView input);
void RunLayerFile(QByteArrayView input);
QList<QByteArray> LayerSeeds();
void RunStreamPrimitives(QByteArrayView input);
QList<QByteArray> StreamPrimitiveSeeds();
void RunKmzWriter(QByteArrayView input);
QList<QByteArray> KmzWriterSeeds();
void RunRoute(QByteArrayView input);
void RunRouteKmz(QByteArrayView input);
QList<QByteArray> RouteSeeds();
void RunRegistryExport(QByteArrayView input);
QList<QByteArray> RegistryExportSeeds();
