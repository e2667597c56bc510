#pragma once

#include <QString>

#include <memory>

class TAtomicFile;
class TGeoList;
class TGeoPoint;
class TKMZWriter;
class TTeeDevice;
namespace TRouteHelper {
class TKmlPathWriter;
}

// The archive of one route, with its document, made while the route loads:
// the document begins with the route's first waypoint, and each waypoint's
// line is written, and compressed on a second thread, as soon as it is read.
// Nothing takes a name before Finish, so an export left unfinished leaves no
// file. A document that is not kept never takes a name: it only lends the
// archive entry its time stamp and attributes. A kept one takes its name
// before the archive does, and stays when the archive fails. An earlier
// archive stays as it was until the new one is whole. Errors name the file
// the user asked for; memory that runs out is reported on the archive.
class TRouteExport {
public:
    TRouteExport(const TGeoList& route, const QString& kmlPath, const QString& kmzPath, bool keepKml);
    ~TRouteExport();
    TRouteExport(const TRouteExport&) = delete;
    TRouteExport& operator=(const TRouteExport&) = delete;

    // For each waypoint of the route as it is loaded.
    void PointLoaded(const TGeoPoint& point);
    // Writes the rest of the document and gives the files their names.
    void Finish();

private:
    void Begin();
    const QString& DocumentName() const;
    template <typename Write>
    void Guarded(Write&& write);

    const TGeoList& fRoute;
    QString fKmlPath;
    QString fKmzPath;
    bool fKeepKml;
    std::unique_ptr<TAtomicFile> fKml;
    std::unique_ptr<TKMZWriter> fArchive;
    std::unique_ptr<TTeeDevice> fBoth;
    std::unique_ptr<TRouteHelper::TKmlPathWriter> fDocument;
};
