#include "FetchResource.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdlib>

#include <fstream>
#include <iterator>
#include <mutex>

#include "PlatformError.h"

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

// "file:///a/b%20c" → "/a/b c".
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

}  // namespace

bool IsNetworkUrl(std::string_view location) {
    return StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://");
}

bool FetchResource(const std::string& location, std::string& bytes, std::string& error) {
    bytes.clear();
    error.clear();
    if (!IsNetworkUrl(location)) {
        const std::string path =
            StartsWithNoCase(location, "file:") ? FileUrlPath(location) : location;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = path + ": " + ErrnoText(errno);
            return false;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* curl = curl_easy_init();
    if (!curl) {
        error = "Cannot start a transfer";
        return false;
    }
    char message[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, location.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK) {
        error = location + ": " + (*message ? message : curl_easy_strerror(code));
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace Norvik
