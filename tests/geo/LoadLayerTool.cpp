// Loads a layer file and prints how many points it holds, or the error that
// stopped it; the tests run it as another user.
#include "geo/uGeoObjects.h"
#include "platform/Error.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    const QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fputs("usage: load_layer FILE\n", stderr);
        return 2;
    }
    try {
        TGeoList layer;
        layer.LoadFromFile(app.arguments().at(1));
        std::printf("%d\n", layer.Count());
    } catch (const Error& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    return 0;
}
