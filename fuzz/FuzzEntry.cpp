// The libFuzzer entry of one target, named by FUZZ_TARGET_NAME.
#include "fuzz/FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TFuzzTarget& target = FuzzTargetNamed(FUZZ_TARGET_NAME);
    target.Run(QByteArrayView(data, static_cast<qsizetype>(size)));
    return 0;
}
