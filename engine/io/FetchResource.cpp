#include "FetchResource.h"

#include <curl/curl.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <fstream>
#include <iterator>

#include "XmlCatalogs.h"
#include "base/PlatformError.h"
#include "base/SharedLibrary.h"

namespace Norvik {

namespace {

constexpr size_t kMaxBytes = size_t{64} << 20;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (a != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::string FileUrlPath(std::string_view url) {
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size()) {
            const std::string hex(rest.substr(i + 1, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end && *end == '\0') {
                path += static_cast<char>(value);
                i += 2;
                continue;
            }
        }
        path += rest[i];
    }
    return path;
}

size_t Collect(char* data, size_t size, size_t count, void* target) {
    auto* bytes = static_cast<std::string*>(target);
    const size_t total = size * count;
    if (bytes->size() + total > kMaxBytes) {
        return 0;  // stops the transfer
    }
    bytes->append(data, total);
    return total;
}

// libcurl, opened on the first fetch from the network.
struct CurlApi {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) init = nullptr;
    decltype(&curl_easy_setopt) setopt = nullptr;
    decltype(&curl_easy_perform) perform = nullptr;
    decltype(&curl_easy_cleanup) cleanup = nullptr;
    decltype(&curl_easy_strerror) describe = nullptr;
    std::string error;  // empty when loaded
};

const CurlApi& Curl() {
    static const CurlApi api = [] {
        CurlApi loaded;
        SharedLibrary library("libcurl.so.4");
        library.Bind(loaded.globalInit, "curl_global_init");
        library.Bind(loaded.init, "curl_easy_init");
        library.Bind(loaded.setopt, "curl_easy_setopt");
        library.Bind(loaded.perform, "curl_easy_perform");
        library.Bind(loaded.cleanup, "curl_easy_cleanup");
        library.Bind(loaded.describe, "curl_easy_strerror");
        if (!library.IsLoaded()) {
            loaded.error = library.Error();
        } else {
            loaded.globalInit(CURL_GLOBAL_DEFAULT);
        }
        return loaded;
    }();
    return api;
}

}  // namespace

bool IsNetworkUrl(std::string_view location) {
    return StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://");
}

std::string LocalPath(std::string_view location) {
    return StartsWithNoCase(location, "file:") ? FileUrlPath(location) : std::string(location);
}

std::string ResolveLocation(const std::string& location) {
    if (!IsNetworkUrl(location) && ::access(LocalPath(location).c_str(), F_OK) == 0) {
        return location;
    }
    std::string mapped = XmlCatalogs::Resolve(location);
    return mapped.empty() ? location : mapped;
}

bool FetchResource(const std::string& location, std::string& bytes, std::string& error,
                   std::string* readFrom) {
    const std::string from = ResolveLocation(location);
    if (readFrom) {
        *readFrom = from;
    }
    if (FetchResolved(from, bytes, error)) {
        return true;
    }
    if (from != location) {
        error = location + ": the XML catalogs map it to " + error;
    }
    return false;
}

bool FetchResolved(const std::string& location, std::string& bytes, std::string& error) {
    bytes.clear();
    error.clear();
    if (!IsNetworkUrl(location)) {
        const std::string path = LocalPath(location);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = path + ": " + ErrnoText(errno);
            return false;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    const CurlApi& api = Curl();
    if (!api.error.empty()) {
        error = location + ": " + api.error;
        return false;
    }
    CURL* curl = api.init();
    if (!curl) {
        error = "Cannot start a transfer";
        return false;
    }
    char message[CURL_ERROR_SIZE] = "";
    api.setopt(curl, CURLOPT_URL, location.c_str());
    api.setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    api.setopt(curl, CURLOPT_MAXREDIRS, 5L);
    api.setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api.setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    api.setopt(curl, CURLOPT_TIMEOUT, 30L);
    api.setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api.setopt(curl, CURLOPT_FAILONERROR, 1L);
    api.setopt(curl, CURLOPT_ERRORBUFFER, message);
    api.setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    api.setopt(curl, CURLOPT_WRITEDATA, &bytes);
    const CURLcode code = api.perform(curl);
    api.cleanup(curl);
    if (code != CURLE_OK) {
        error = location + ": " + (*message ? message : api.describe(code));
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace Norvik
