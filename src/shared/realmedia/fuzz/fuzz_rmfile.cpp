// libFuzzer entry: see FuzzOneInput.h for what one input drives through the engine.

#include "FuzzOneInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rmfuzz::runOneInput(data, size);
    return 0;
}
