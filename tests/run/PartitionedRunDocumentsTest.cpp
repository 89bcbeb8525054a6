// A document per row or per value in parts: each part writes the documents
// its share begins (to their end, past the share if need be) under the
// single run's names, counters included; the merge lists them, writing
// nothing, and fails on a missing or damaged part.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PartsTestSupport.h"
#include "RunTestSupport.h"
#include "base/ResultCode.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Values in runs of 1 to 7 rows, one coming back later, so that documents
// cross the parts' shares and a name's counter restarts and skips on.
std::string RunsCsv() {
    std::string csv = "Id,Group,Note\n";
    const char* groups[] = {"alpha", "beta", "Alpha", "gamma", "beta", "delta"};
    int id = 0;
    for (int run = 0; run < 18; ++run) {
        for (int i = 0; i <= run % 7; ++i) {
            ++id;
            csv += std::to_string(id) + "," + groups[run % 6] + ",\"note " + std::to_string(id) +
                   (id % 4 == 0 ? "\nsecond line" : "") + "\"\n";
        }
    }
    return csv;
}

DVFile RunsDefinition(const TempDir& dir) {
    DVFile definition = CsvDefinition(dir, RunsCsv(), false);
    definition.SetQuotedLineBreaks(true);
    XMLNode& root = definition.Root();
    XMLNode* header = Add(root, "group", XMLNode::kElement, Id(definition, "Group"));
    header->SetScope(XMLNode::kHeaderScope);
    XMLNode* row = Add(root, "row");
    Add(*row, "id", XMLNode::kAttribute, Id(definition, "Id"));
    Add(*row, "n", XMLNode::kAttribute)->SetValue("{ROW}");
    Add(*row, "note", XMLNode::kElement, Id(definition, "Note"));
    XMLNode* footer = Add(root, "end");
    footer->SetScope(XMLNode::kFooterScope);
    Add(*footer, "next", XMLNode::kElement, Id(definition, "Group"));
    // The footer pass of a document runs with the next one's first row.
    Add(*footer, "row", XMLNode::kAttribute)->SetValue("{ROW}");
    return definition;
}

}  // namespace

TEST(PartitionedRunDocumentsTest, DocumentsPerValueInPartsAreTheSingleRun) {
    const struct {
        const char* what;
        const char* pattern;  // in the folder; empty: the default counter
    } cases[] = {
        {"a counter added to the name", ""},
        {"named by the value and a counter", "<C=Group>-<NN>.xml"},
        {"named by the value alone", "value-<C=Group>.xml"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        DVFile definition = RunsDefinition(dir);
        definition.SetFilePerColValueId(Id(definition, "Group"));
        if (*c.pattern) {
            definition.SetTargetFileName(dir.File(c.pattern));
        }
        ExpectSameInParts(SaveDefinition(definition, dir), dir, c.what, {1, 2, 3, 7, 40});
    }
}

TEST(PartitionedRunDocumentsTest, AMergeOfDocumentsListsThemAndRefusesWrongParts) {
    TempDir dir;
    DVFile definition = RunsDefinition(dir);
    definition.SetFilePerRow(true);
    definition.SetTargetFileName(dir.File("docs/row-<NNNN>.xml"));
    fs::create_directories(dir.File("docs"));
    const std::string project = SaveDefinition(definition, dir);
    const Single single = RunOnce(project);
    ASSERT_EQ(single.code, kSuccess) << single.detail;
    fs::remove_all(dir.File("docs"));
    fs::create_directories(dir.File("docs"));

    const std::vector<std::string> parts = WriteParts(project, dir.Path(), 3, true, "rows");
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir.File("docs"))) {
        written.push_back(entry.path().string());
    }
    EXPECT_EQ(written.size(), single.names.size()) << "the parts write the documents";
    const Step merged = Merge(project, dir.File("merged.xml"), parts);
    ASSERT_EQ(merged.code, kSuccess) << merged.message;
    EXPECT_EQ(merged.files, single.names);
    EXPECT_FALSE(fs::exists(dir.File("merged.xml")));

    // A part run again gives the same list and the same documents.
    const std::string again = dir.File("again.part");
    ASSERT_EQ(Part(project, again, 1, 3, dir.File("run.plan")).code, kSuccess);
    EXPECT_EQ(ReadFile(again), ReadFile(parts[1]));
    for (size_t i = 0; i < single.names.size(); ++i) {
        EXPECT_EQ(ReadFile(single.names[i]), single.files[i]) << single.names[i];
    }

    const std::string damaged = dir.File("damaged.part");
    fs::copy_file(parts[1], damaged);
    fs::resize_file(damaged, fs::file_size(damaged) - 1);
    const struct {
        const char* what;
        std::vector<std::string> files;
        std::string named;
    } wrong[] = {
        {"a part missing", {parts[0], parts[2]}, "part 1 of 3 is missing"},
        {"a damaged part", {parts[0], damaged, parts[2]}, "damaged.part"},
    };
    for (const auto& c : wrong) {
        const Step step = Merge(project, dir.File("merged.xml"), c.files);
        EXPECT_EQ(step.code, kParts) << c.what;
        EXPECT_NE(step.message.find(c.named), std::string::npos) << c.what << ": " << step.message;
        EXPECT_TRUE(step.files.empty()) << c.what;
    }
}

// A document that fails its schema fails the part writing it as it fails
// the single run, naming the same row; the part leaves no part file.
TEST(PartitionedRunDocumentsTest, AnInvalidDocumentFailsItsPartAsTheSingleRun) {
    TempDir dir;
    DVFile definition = RunsDefinition(dir);
    definition.SetFilePerColValueId(Id(definition, "Group"));
    WriteFile(dir.File("doc.xsd"),
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
              "<xs:element name=\"document\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"group\" type=\"xs:string\"/>"
              "<xs:element name=\"row\" maxOccurs=\"5\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"note\" type=\"xs:string\"/></xs:sequence>"
              "<xs:attribute name=\"id\"/><xs:attribute name=\"n\"/>"
              "</xs:complexType></xs:element>"
              "<xs:element name=\"end\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"next\" type=\"xs:string\"/></xs:sequence></xs:complexType>"
              "</xs:element></xs:sequence></xs:complexType></xs:element></xs:schema>");
    definition.SetValidateSchema(dir.File("doc.xsd"));
    const std::string project = SaveDefinition(definition, dir);
    const Single single = RunOnce(project);
    ASSERT_EQ(single.code, kOutputInvalid) << single.detail;
    // The first part that fails holds the single run's first invalid document.
    for (int32_t k = 0; k < 3; ++k) {
        const std::string file = dir.File("p" + std::to_string(k) + ".part");
        const Step part = Part(project, file, k, 3);
        if (part.code == kSuccess) {
            continue;
        }
        EXPECT_EQ(part.code, single.code);
        EXPECT_EQ(part.detail, single.detail);
        EXPECT_FALSE(fs::exists(file));
        return;
    }
    ADD_FAILURE() << "no part failed";
}
