#include "PartitionPlan.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>

#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "sources/RecordCutter.h"
#include "sources/TextFileDataSource.h"

namespace {

constexpr const char* kMagic = "datavane-plan";
constexpr int kVersion = 1;
constexpr int64_t kScanBytes = int64_t{1} << 20;

}  // namespace

Status PartitionPlan::Cut(const TextFileDataSource& source, const std::string& path, int32_t parts,
                          PartitionPlan& plan) {
    plan.ranges.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {kSourceFileOpen, "Reading " + path + ": " + Norvik::ErrnoText(errno)};
    }
    const int64_t begin = source.NextRecordOffset();
    const int64_t lines = source.LinesRead();
    const int64_t data = std::max<int64_t>(0, st.st_size - begin);
    const int64_t share = std::max<int64_t>(1, (data + parts - 1) / parts);
    // The cutter reads blocks of its range size: small ones, joined into
    // shares here, keep the scan's memory small however large the parts.
    RecordCutter cutter(path, begin, lines, source.QuotedRecords(),
                        static_cast<size_t>(std::min(share, kScanBytes)));
    RecordCutter::Range range;
    while (cutter.Next(range)) {
        const bool full =
            !plan.ranges.empty() && plan.ranges.back().end - plan.ranges.back().begin >= share;
        if (plan.ranges.empty() || (full && static_cast<int32_t>(plan.ranges.size()) < parts)) {
            plan.ranges.push_back({range.begin, range.end, range.linesBefore});
        } else {
            plan.ranges.back().end = range.end;
        }
    }
    if (cutter.Error() != 0) {
        return {kSourceFileOpen, "Reading " + path + ": " + Norvik::ErrnoText(cutter.Error())};
    }
    Range last{begin, begin, lines};
    if (!plan.ranges.empty()) {
        last = {plan.ranges.back().end, plan.ranges.back().end, plan.ranges.back().linesBefore};
    }
    while (static_cast<int32_t>(plan.ranges.size()) < parts) {
        plan.ranges.push_back(last);
    }
    return kSuccess;
}

std::string PartitionPlan::Text() const {
    char fingerprintText[17];
    std::snprintf(fingerprintText, sizeof fingerprintText, "%016llx",
                  static_cast<unsigned long long>(fingerprint));
    std::string text = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    text += "fingerprint " + std::string(fingerprintText) + "\n";
    text += "parts " + std::to_string(ranges.size()) + "\n";
    for (const Range& range : ranges) {
        text += "range " + std::to_string(range.begin) + " " + std::to_string(range.end) + " " +
                std::to_string(range.linesBefore) + "\n";
    }
    return text;
}

bool PartitionPlan::Parse(const std::string& text) {
    std::istringstream in(text);
    std::string magic;
    int version = 0;
    std::string key;
    std::string fingerprintText;
    size_t parts = 0;
    if (!(in >> magic >> version) || magic != kMagic || version != kVersion ||
        !(in >> key >> fingerprintText) || key != "fingerprint" || !(in >> key >> parts) ||
        key != "parts" || parts == 0 || parts > (size_t{1} << 20)) {
        return false;
    }
    const auto [end, error] = std::from_chars(
        fingerprintText.data(), fingerprintText.data() + fingerprintText.size(), fingerprint, 16);
    if (error != std::errc() || end != fingerprintText.data() + fingerprintText.size()) {
        return false;
    }
    ranges.clear();
    for (size_t i = 0; i < parts; ++i) {
        Range range;
        if (!(in >> key >> range.begin >> range.end >> range.linesBefore) || key != "range" ||
            range.begin < 0 || range.end < range.begin ||
            (!ranges.empty() && range.begin != ranges.back().end)) {
            return false;
        }
        ranges.push_back(range);
    }
    return !(in >> key);
}
