#include "fuzz/FuzzTargets.h"

#include "platform/Error.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr std::array kTargets{
    TFuzzTarget{"layer_stream", RunLayerStream, LayerSeeds},
    TFuzzTarget{"layer_file", RunLayerFile, LayerSeeds},
    TFuzzTarget{"stream_primitives", RunStreamPrimitives, StreamPrimitiveSeeds},
    TFuzzTarget{"kmz_writer", RunKmzWriter, KmzWriterSeeds},
    TFuzzTarget{"route", RunRoute, RouteSeeds},
    TFuzzTarget{"route_kmz", RunRouteKmz, RouteSeeds},
    TFuzzTarget{"registry_export", RunRegistryExport, RegistryExportSeeds},
};

} // namespace

void Require(bool kept, const char* promise)
{
    if (!kept)
        throw TFuzzFinding(promise);
}

void RequireReadError(const Error& error)
{
    if (error.Kind() != TErrorKind::ekDamage)
        throw TFuzzFinding("an error that is no damage: " + error.Message().toStdString());
}

std::span<const TFuzzTarget> FuzzTargets() { return kTargets; }

const TFuzzTarget& FuzzTargetNamed(std::string_view name)
{
    const auto found = std::ranges::find(kTargets, name, &TFuzzTarget::Name);
    if (found == kTargets.end())
        throw std::invalid_argument("no fuzz target " + std::string(name));
    return *found;
}
