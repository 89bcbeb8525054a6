// The DTD scanner over any text: it ends, within its limits, without harm.
#include "FuzzInput.h"
#include "import/CDTDLoader.h"
#include "model/DVFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    DVFile definition;
    definition.Root().SetName(input.Text(16));
    CDTDLoader loader;
    loader.LoadText(std::string(input.Rest()), definition);
    return 0;
}
