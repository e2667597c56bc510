#include "convert/uPassagePlanRun.h"

#include "export/uPassagePlan.h"
#include "geo/uRouteLibrary.h"
#include "platform/Error.h"

#include <new>

namespace {

// Lines are handed on in pieces of about this many characters: a long route's
// plan need not be held whole, nor written line by line.
constexpr qsizetype kPiece = 1 << 15;

} // namespace

void PrintPassagePlans(const TChosenFiles& files, TRouteFileHost& host, const std::function<void(const QString&)>& write)
{
    bool first = true;
    TRouteFiles routeFiles(files, host);
    while (const auto routeFile = routeFiles.Next()) {
        const QString& path = routeFile->path;
        TRoute route(path);
        if (!LoadChosenRoute(route, path, host))
            continue;
        QString piece = first ? QString() : QStringLiteral("\n");
        first = false;
        try {
            PassagePlan::Write(route, [&piece, &write](const QString& line) {
                piece += line;
                piece += u'\n';
                if (piece.size() >= kPiece) {
                    write(piece);
                    piece.clear();
                }
            });
        } catch (const std::bad_alloc&) {
            throw Error::OutOfMemory(path, true);
        }
        write(piece);
    }
}
