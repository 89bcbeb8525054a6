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
constexpr int kVersion = 2;
constexpr int64_t kScanBytes = int64_t{1} << 20;

const char* KindName(PartitionPlan::Kind kind) {
    switch (kind) {
        case PartitionPlan::Kind::kKeys:
            return "keys";
        case PartitionPlan::Kind::kRows:
            return "rows";
        case PartitionPlan::Kind::kBytes:
            break;
    }
    return "bytes";
}

// Key bytes as hex; "-" for none.
std::string Hex(std::string_view bytes) {
    if (bytes.empty()) {
        return "-";
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        text += kDigits[static_cast<unsigned char>(c) >> 4];
        text += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

bool FromHex(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (text == "-") {
        return true;
    }
    if (text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2) {
            return false;
        }
        bytes += static_cast<char>(value);
    }
    return true;
}

PartitionPlan::Range ByteRange(int64_t begin, int64_t end, int64_t linesBefore) {
    PartitionPlan::Range range;
    range.begin = begin;
    range.end = end;
    range.linesBefore = linesBefore;
    return range;
}

}  // namespace

void PartitionPlan::KeySample::Add(std::string_view key) {
    ++seen_;
    if (keys_.size() < kSize) {
        keys_.emplace_back(key);
        return;
    }
    // xorshift64*: the same draws on every machine.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t draw = (state_ * 0x2545f4914f6cdd1dULL) % seen_;
    if (draw < kSize) {
        keys_[static_cast<size_t>(draw)].assign(key);
    }
}

void PartitionPlan::CutKeys(std::vector<std::string>& sample, int32_t parts, PartitionPlan& plan) {
    plan.kind = Kind::kKeys;
    plan.ranges.clear();
    std::sort(sample.begin(), sample.end());
    std::vector<std::string> splits;
    for (int32_t k = 1; k < parts && !sample.empty(); ++k) {
        const std::string& at =
            sample[static_cast<size_t>(static_cast<uint64_t>(sample.size()) * k / parts)];
        // Between distinct keys only: a key never falls in two ranges.
        if (at > sample.front() && (splits.empty() || at > splits.back())) {
            splits.push_back(at);
        }
    }
    Range empty;
    for (size_t k = splits.size() + 1; k < static_cast<size_t>(parts); ++k) {
        plan.ranges.push_back(empty);
    }
    std::string low;
    for (const std::string& split : splits) {
        Range range;
        range.low = low;
        range.high = split;
        plan.ranges.push_back(range);
        low = split;
    }
    Range last;
    last.low = low;
    last.unbounded = true;
    plan.ranges.push_back(last);
}

void PartitionPlan::CutRows(int64_t rows, int32_t parts, PartitionPlan& plan) {
    plan.kind = Kind::kRows;
    plan.ranges.clear();
    for (int32_t k = 0; k < parts; ++k) {
        Range range;
        range.begin = rows * k / parts;
        range.end = rows * (k + 1) / parts;
        plan.ranges.push_back(range);
    }
}

Status PartitionPlan::Cut(const TextFileDataSource& source, const std::string& path, int32_t parts,
                          PartitionPlan& plan) {
    plan.kind = Kind::kBytes;
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
            plan.ranges.push_back(ByteRange(range.begin, range.end, range.linesBefore));
        } else {
            plan.ranges.back().end = range.end;
        }
    }
    if (cutter.Error() != 0) {
        return {kSourceFileOpen, "Reading " + path + ": " + Norvik::ErrnoText(cutter.Error())};
    }
    Range last = ByteRange(begin, begin, lines);
    if (!plan.ranges.empty()) {
        last = ByteRange(plan.ranges.back().end, plan.ranges.back().end,
                         plan.ranges.back().linesBefore);
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
    text += "cut " + std::string(KindName(kind)) + "\n";
    for (const Range& range : ranges) {
        switch (kind) {
            case Kind::kBytes:
                text += "range " + std::to_string(range.begin) + " " + std::to_string(range.end) +
                        " " + std::to_string(range.linesBefore) + "\n";
                break;
            case Kind::kKeys:
                text += "keys " + Hex(range.low) + " " +
                        (range.unbounded ? std::string("*") : Hex(range.high)) + "\n";
                break;
            case Kind::kRows:
                text +=
                    "rows " + std::to_string(range.begin) + " " + std::to_string(range.end) + "\n";
                break;
        }
    }
    return text;
}

bool PartitionPlan::Parse(const std::string& text) {
    std::istringstream in(text);
    std::string magic;
    int version = 0;
    std::string key;
    std::string fingerprintText;
    std::string kindText;
    size_t parts = 0;
    if (!(in >> magic >> version) || magic != kMagic || version != kVersion ||
        !(in >> key >> fingerprintText) || key != "fingerprint" || !(in >> key >> parts) ||
        key != "parts" || parts == 0 || parts > (size_t{1} << 20) || !(in >> key >> kindText) ||
        key != "cut") {
        return false;
    }
    const auto [end, error] = std::from_chars(
        fingerprintText.data(), fingerprintText.data() + fingerprintText.size(), fingerprint, 16);
    if (error != std::errc() || end != fingerprintText.data() + fingerprintText.size()) {
        return false;
    }
    if (kindText == "bytes") {
        kind = Kind::kBytes;
    } else if (kindText == "keys") {
        kind = Kind::kKeys;
    } else if (kindText == "rows") {
        kind = Kind::kRows;
    } else {
        return false;
    }
    ranges.clear();
    for (size_t i = 0; i < parts; ++i) {
        Range range;
        bool ok = false;
        if (kind == Kind::kBytes) {
            ok = (in >> key >> range.begin >> range.end >> range.linesBefore) && key == "range";
        } else if (kind == Kind::kRows) {
            ok = (in >> key >> range.begin >> range.end) && key == "rows";
        } else {
            std::string low;
            std::string high;
            ok = (in >> key >> low >> high) && key == "keys" && FromHex(low, range.low);
            range.unbounded = high == "*";
            ok = ok && (range.unbounded || FromHex(high, range.high));
            // Keys follow on: each range starts where the one before ended.
            ok = ok && (range.unbounded || range.low <= range.high) &&
                 (ranges.empty() || (!ranges.back().unbounded && ranges.back().high == range.low));
        }
        if (!ok || range.begin < 0 || range.end < range.begin ||
            (kind != Kind::kKeys && !ranges.empty() && range.begin != ranges.back().end)) {
            return false;
        }
        ranges.push_back(range);
    }
    return !(in >> key) && (kind != Kind::kKeys || ranges.back().unbounded);
}
