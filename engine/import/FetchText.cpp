#include "FetchText.h"

#include "io/CTextFile.h"
#include "io/FetchResource.h"

bool FetchBytes(const std::string& location, std::string& bytes, std::string& error) {
    bytes.clear();
    error.clear();
    if (location.empty()) {
        error = "No path or URL given";
        return false;
    }
    // The first and the last reason say most: the path as typed, and the
    // host it may have named.
    const std::string tries[] = {location, "file://" + location, "http://" + location};
    std::string first;
    for (const std::string& attempt : tries) {
        if (Norvik::FetchResource(attempt, bytes, error) && !bytes.empty()) {
            return true;
        }
        if (error.empty()) {
            error = attempt + ": the resource is empty";
        }
        if (first.empty()) {
            first = error;
        }
    }
    if (error != first) {
        error = first + "\r\n" + error;
    }
    return false;
}

bool FetchText(const std::string& location, std::string& result) {
    std::string bytes;
    std::string error;
    if (!FetchBytes(location, bytes, error)) {
        result = error;
        return false;
    }
    result = Norvik::CTextFile::DecodeText(bytes);
    if (result.empty()) {
        result = location + ": the resource holds no text";
        return false;
    }
    return true;
}
