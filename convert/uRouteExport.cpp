#include "convert/uRouteExport.h"

#include "export/uKMZWriter.h"
#include "export/uTRouteHelper.h"
#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"
#include "util/uTeeDevice.h"

#include <new>

TRouteExport::TRouteExport(const TGeoList& route, const QString& kmlPath, const QString& kmzPath, bool keepKml)
    : fRoute(route), fKmlPath(kmlPath), fKmzPath(kmzPath), fKeepKml(keepKml)
{
}

// Without Finish, the archive and the document go without a trace.
TRouteExport::~TRouteExport() = default;

void TRouteExport::PointLoaded(const TGeoPoint& point)
{
    ReportingMemory([&] {
        if (!fDocument)
            Begin();
        fDocument->Point(point);
    });
}

void TRouteExport::Finish()
{
    ReportingMemory([this] {
        if (!fDocument)
            Begin();
        fDocument->End();
        if (fKml)
            CommitSafeFile(*fKml);
        // An entry of a document that is not kept has the stamp that document would have had.
        fArchive->EndEntry(fKml ? EntryStampOf(*fKml) : NewFileStamp());
        fArchive->Release();
    });
}

void TRouteExport::Begin()
{
    if (fKeepKml)
        fKml = CreateSafeFile(fKmlPath);
    fArchive = std::make_unique<TKMZWriter>(fKmzPath);
    QIODevice& entry = fArchive->BeginEntry(ExtractFileName(fKmlPath), TZipMethod::Deflate);
    if (fKml)
        fBoth = std::make_unique<TTeeDevice>(*fKml, entry);
    fDocument = std::make_unique<TRouteHelper::TKmlPathWriter>(fBoth ? static_cast<QIODevice&>(*fBoth) : entry);
    fDocument->Begin(fRoute);
}

// Memory that runs out is put on the archive, since it names no file; every
// other error is raised where it happens, naming its file.
template <typename Step>
void TRouteExport::ReportingMemory(Step&& step)
{
    try {
        step();
    } catch (const std::bad_alloc&) {
        throw Error::OutOfMemory(fKmzPath, false);
    }
}
