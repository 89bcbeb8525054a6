#pragma once

#include <string>

namespace Norvik {

// Why the documents libxml2 and libxslt load by themselves (schema includes
// and imports, xsl:import and xsl:include) could not be read. Their own
// messages name the location only; the loader notes the reason here, and an
// instance collects what is noted on its thread while it lives (the
// innermost one, when they nest).
class LoadFailures {
public:
    LoadFailures();
    ~LoadFailures();
    LoadFailures(const LoadFailures&) = delete;
    LoadFailures& operator=(const LoadFailures&) = delete;

    // The first reason noted; empty when every load succeeded.
    const std::string& First() const noexcept { return first_; }

    // For the loader: kept when an instance collects on this thread.
    static void Note(const std::string& reason);

private:
    LoadFailures* previous_;
    std::string first_;
};

}  // namespace Norvik
