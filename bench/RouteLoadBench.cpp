#include "geo/uRouteLibrary.h"

#include <QBuffer>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <map>
#include <memory>

namespace {

// A route file image of `count` waypoints along a meridian, as the layer
// writer makes it; made once per size.
const QByteArray& RouteImage(int count)
{
    static std::map<int, QByteArray> images;
    QByteArray& image = images[count];
    if (image.isEmpty()) {
        TRoute route(QStringLiteral("/routes"));
        for (int i = 0; i < count; ++i)
            route.Add(50 + i * 1e-5, 4);
        QBuffer buffer(&image);
        buffer.open(QIODevice::WriteOnly);
        route.SaveToStream(buffer, 6, false);
    }
    return image;
}

std::size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_LoadRoute(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    QByteArray image = RouteImage(count);
    double bytesPerWaypoint = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        auto route = std::make_unique<TRoute>(QStringLiteral("/routes"));
        QBuffer buffer(&image);
        buffer.open(QIODevice::ReadOnly);
        route->LoadFromStream(buffer);
        bytesPerWaypoint = static_cast<double>(HeapInUse() - before) / count;

        state.PauseTiming();
        if (route->Count() != count || route->GetLegCount() != count - 1)
            state.SkipWithError("the route did not load in full");
        route.reset();
        state.ResumeTiming();
    }
    state.counters["waypoints"] = count;
    state.counters["heap_bytes_per_waypoint"] = bytesPerWaypoint;
    state.counters["waypoints_per_second"] =
        benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_LoadRoute)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
