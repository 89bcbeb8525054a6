#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "RunTestSupport.h"

using namespace testsupport;

namespace {

struct Outcome {
    int32_t code = -1;
    int rows = 0;
    std::string output;
};

// Converts a delimited file (names in the first row, columns taken from the
// source) and counts the <row> elements written.
Outcome Convert(const std::string& source) {
    TempDir dir;
    DVFile definition;
    definition.SetSourceFileName(source);
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    definition.StoreDelimiter(",");
    definition.RemoveAllColumns();
    definition.Root().DeleteChildren();
    Outcome outcome;
    outcome.code = RunSaved(definition, dir).code;
    outcome.output = ReadFile(dir.File("out.xml"));
    for (size_t at = outcome.output.find("<row>"); at != std::string::npos;
         at = outcome.output.find("<row>", at + 1)) {
        ++outcome.rows;
    }
    return outcome;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

}  // namespace

// Every file of the corpus, against the outcome checked in beside it.
TEST(MalformedInputTest, EveryCorpusFileHasItsExpectedOutcome) {
    std::ifstream manifest(DataFile("malformed/expected.txt"));
    ASSERT_TRUE(manifest);
    std::string line;
    int cases = 0;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '|');) {
            fields.push_back(Trimmed(field));
        }
        ASSERT_GE(fields.size(), 3u) << line;
        const Outcome outcome = Convert(DataFile("malformed/" + fields[0]));
        EXPECT_EQ(outcome.code, std::stoi(fields[1])) << fields[0];
        EXPECT_EQ(outcome.rows, std::stoi(fields[2])) << fields[0];
        if (fields.size() > 3 && !fields[3].empty()) {
            EXPECT_NE(outcome.output.find(fields[3]), std::string::npos) << fields[0] << ":\n"
                                                                         << outcome.output;
        }
        ++cases;
    }
    EXPECT_GE(cases, 40);
}

// Line ends and characters split between two reads of the file.
TEST(MalformedInputTest, WhatStraddlesABlockBoundaryReadsWhole) {
    constexpr size_t kBlock = size_t{1} << 20;
    struct BoundaryCase {
        const char* what;
        std::string straddling;  // placed so that it starts at the block's last byte
        std::string value;       // what the row then holds
    };
    const BoundaryCase cases[] = {
        {"CR LF", "\r\n", "x"},
        {"two-byte UTF-8", "\xC3\xA9\n", "x\xC3\xA9"},
        {"four-byte UTF-8", "\xF0\x9F\x98\x80\n", "x\xF0\x9F\x98\x80"},
    };
    for (const BoundaryCase& c : cases) {
        TempDir dir;
        std::string content = "A\n";
        const std::string filler = "filler line\n";
        while (content.size() + filler.size() + 3 < kBlock) {
            content += filler;
        }
        content += std::string(kBlock - 3 - content.size(), 'f') + "\n";
        content += "x" + c.straddling + "last\n";
        ASSERT_EQ(content.find(c.straddling, kBlock - 2), kBlock - 1) << c.what;
        const std::string path = dir.File("in.csv");
        WriteFile(path, content);
        const Outcome outcome = Convert(path);
        EXPECT_EQ(outcome.code, 0) << c.what;
        EXPECT_NE(outcome.output.find("<A>" + c.value + "</A>\n"), std::string::npos) << c.what;
        EXPECT_NE(outcome.output.find("<A>last</A>"), std::string::npos) << c.what;
        EXPECT_EQ(outcome.output.find("\xEF\xBF\xBD"), std::string::npos) << c.what;
    }
}
