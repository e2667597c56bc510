#include "fuzz/FuzzTargets.h"

#include "util/Error.h"

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
    const QString& text = error.Message();
    const bool known = text == ErrorText::StreamRead() || text == ErrorText::RangeCheck()
                       || text == ErrorText::ArgumentOutOfRange()
                       || (text.startsWith(u'\'') && text.endsWith(QLatin1String("' is not a valid GUID value")));
    if (!known)
        throw TFuzzFinding("unexpected error: " + error.Message().toStdString());
}

std::span<const TFuzzTarget> FuzzTargets() { return kTargets; }

const TFuzzTarget& FuzzTargetNamed(std::string_view name)
{
    const auto found = std::ranges::find(kTargets, name, &TFuzzTarget::Name);
    if (found == kTargets.end())
        throw std::invalid_argument("no fuzz target " + std::string(name));
    return *found;
}
