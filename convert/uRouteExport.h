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
// The document goes into the archive only, unless it is kept: then it is
// written beside the archive as well, takes its name before the archive does
// and stays when the archive fails. Nothing takes a name before Finish, so an
// export left unfinished leaves no file, and an earlier archive stays as it
// was until the new one is whole. Errors name the file that failed; memory
// that runs out is reported on the archive.
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
    template <typename Step>
    void ReportingMemory(Step&& step);

    const TGeoList& fRoute;
    QString fKmlPath;
    QString fKmzPath;
    bool fKeepKml;
    std::unique_ptr<TAtomicFile> fKml; // only when kept
    std::unique_ptr<TKMZWriter> fArchive;
    std::unique_ptr<TTeeDevice> fBoth; // the kept document and the archive entry
    std::unique_ptr<TRouteHelper::TKmlPathWriter> fDocument;
};
