#include "DVFile.h"

// The setters' effects that need a data source. The text and database
// sources plug in here; until a source can be opened there are no columns to
// read and no installed driver to choose.

bool DVFile::ReadColumnsFromSource() {
    return false;
}

std::string DVFile::InstalledDriverFor(int32_t) const {
    return {};
}
