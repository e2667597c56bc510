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
    Guarded([&] {
        if (!fDocument)
            Begin();
        fDocument->Point(point);
    });
}

void TRouteExport::Finish()
{
    Guarded([this] {
        if (!fDocument)
            Begin();
        fDocument->End();
        if (!fKml->FlushFully())
            throw Error::CannotCreateFile(DocumentName(), fKml->errorString());
        if (fKeepKml)
            CommitSafeFile(*fKml);
        fArchive->EndEntry(EntryStampOf(*fKml));
        fArchive->Release();
    });
}

// The document's own name only when the user asked for it.
const QString& TRouteExport::DocumentName() const { return fKeepKml ? fKmlPath : fKmzPath; }

void TRouteExport::Begin()
{
    fKml = std::make_unique<TAtomicFile>(fKmlPath);
    if (!(fKeepKml ? fKml->Create() : fKml->CreateUnnamed()))
        throw Error::CannotCreateFile(DocumentName(), fKml->errorString());
    fArchive = std::make_unique<TKMZWriter>(fKmzPath);
    fBoth = std::make_unique<TTeeDevice>(*fKml, fArchive->BeginEntry(ExtractFileName(fKmlPath), TZipMethod::Deflate));
    fDocument = std::make_unique<TRouteHelper::TKmlPathWriter>(*fBoth);
    fDocument->Begin(fRoute);
}

// A write that failed is reported with the reason of the file that refused
// it: the document, or else the archive, whose compressing thread knows why.
template <typename Write>
void TRouteExport::Guarded(Write&& write)
{
    try {
        try {
            write();
        } catch (const Error&) {
            if (fKml && fKml->error() != QFileDevice::NoError)
                throw Error::CannotCreateFile(DocumentName(), fKml->errorString());
            if (fArchive)
                fArchive->RaiseEntryFailure();
            throw;
        }
    } catch (const std::bad_alloc&) {
        throw Error::OutOfMemory(fKmzPath, false);
    }
}
