#pragma once

#include <string>

class DVFile;

// A loader of a document type definition into a definition's node tree.
class CDoctypeLoader {
public:
    virtual ~CDoctypeLoader() = default;
    virtual bool Load(const std::string& path, DVFile& definition) = 0;
};
