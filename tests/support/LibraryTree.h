#pragma once

#include "support/ArchiveReaders.h"

#include <QString>
#include <QStringList>

#include <vector>

// A route library as a sailor keeps one, built in a folder: routes in nested
// folders with extensions in several letter cases, a layer file named .rte
// that holds no route, a route without waypoints, notes, an empty folder, a
// link that loops back to the library and a link to a route kept elsewhere.
class TLibraryTree {
public:
    // Builds the library in `folder`/routes and the linked route in
    // `folder`/elders.
    explicit TLibraryTree(const QString& folder);

    // The folder to name.
    QString Library() const { return fLibrary; }
    // The path of an entry, relative to the library.
    QString Path(const QString& relative) const { return fLibrary + u'/' + relative; }

    // A route file in the order a run takes them, by its path relative to
    // the library, with the waypoints its archive must carry (none for a
    // route without waypoints or a file that is no route).
    struct TRouteFile {
        QString relative;
        std::vector<TLatLon> points;
        bool isRoute = true;
    };
    const std::vector<TRouteFile>& RouteFiles() const { return fRouteFiles; }

    // The archives a run must make below its target, by relative path, in
    // run order.
    QStringList Archives() const;

private:
    QString fLibrary;
    std::vector<TRouteFile> fRouteFiles;
};
