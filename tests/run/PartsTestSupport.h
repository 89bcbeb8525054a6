#pragma once

// Runs in parts compared with the single run: the single run's documents,
// the steps of a run in parts on a saved definition, and the comparison that
// every count of parts, with a plan and without, gives the single run's
// names and bytes. Shared by the tests of every kind of source.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AwkwardDefinition.h"
#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "run/PartitionedRun.h"

namespace testsupport {

namespace fs = std::filesystem;

struct Single {
    int32_t code = -1;
    std::string detail;
    std::vector<std::string> names;
    std::vector<std::string> files;  // their bytes
};

inline Single RunOnce(const std::string& project) {
    DVRun run;
    run.SetDefinitionPath(project);
    Single single;
    if (!run.LoadDefinition()) {
        ADD_FAILURE() << run.GetDetailText();
        return single;
    }
    run.SetThreads(1);
    single.code = run.Run();
    single.detail = run.GetDetailText();
    for (const std::string& name : run.OutputFileNames()) {
        single.names.push_back(name);
        single.files.push_back(ReadFile(name));
    }
    return single;
}

// One step of a run in parts on the saved definition, writing target.
struct Step {
    int32_t code = -1;
    std::string detail;
    std::string message;
    std::vector<std::string> files;
};

template <typename Action>
inline Step RunStep(const std::string& project, const std::string& target, const Action& action) {
    DVFile definition;
    Step step;
    if (!definition.LoadProjectFile(project)) {
        ADD_FAILURE() << definition.GetLastError();
        return step;
    }
    definition.SetTargetFileName(target);
    PartitionedRun run(definition, project);
    step.code = action(run);
    step.detail = run.GetDetailText();
    step.message = run.GetResultText(step.code);
    step.files = run.OutputFileNames();
    return step;
}

inline Step Plan(const std::string& project, const std::string& plan, int32_t parts) {
    return RunStep(project, plan, [parts](PartitionedRun& run) { return run.Plan(parts); });
}

inline Step Part(const std::string& project, const std::string& file, int32_t index, int32_t parts,
                 const std::string& plan = {}) {
    return RunStep(project, file,
                   [&](PartitionedRun& run) { return run.Part(index, parts, plan); });
}

inline Step Merge(const std::string& project, const std::string& target,
                  const std::vector<std::string>& parts) {
    return RunStep(project, target, [&](PartitionedRun& run) { return run.Merge(parts); });
}

// Writes every part (through a plan or not) into dir; their paths.
inline std::vector<std::string> WriteParts(const std::string& project, const fs::path& dir,
                                           int32_t parts, bool withPlan, const std::string& what) {
    std::string plan;
    if (withPlan) {
        plan = (dir / "run.plan").string();
        const Step planned = Plan(project, plan, parts);
        EXPECT_EQ(planned.code, kSuccess) << what << ": " << planned.message;
    }
    std::vector<std::string> files;
    for (int32_t k = 0; k < parts; ++k) {
        files.push_back((dir / ("run." + std::to_string(k) + ".part")).string());
        const Step part = Part(project, files.back(), k, parts, plan);
        EXPECT_EQ(part.code, kSuccess)
            << what << ", part " << k << "/" << parts << ": " << part.message;
    }
    return files;
}

// Every count of parts, with a plan and without, must give the single run's
// bytes.
inline void ExpectSameInParts(const std::string& project, const TempDir& dir,
                              const std::string& what, std::vector<int32_t> counts = {1, 2, 3, 7}) {
    const Single single = RunOnce(project);
    ASSERT_EQ(single.code, kSuccess) << what << ": " << single.detail;
    for (const int32_t parts : counts) {
        for (const bool withPlan : {false, true}) {
            const std::string label =
                what + ", " + std::to_string(parts) + " parts" + (withPlan ? " from a plan" : "");
            const fs::path folder =
                dir.Path() / ("parts" + std::to_string(parts) + (withPlan ? "p" : ""));
            fs::create_directories(folder);
            const std::vector<std::string> files =
                WriteParts(project, folder, parts, withPlan, label);
            const std::string target = (folder / "merged.xml").string();
            const Step merged = Merge(project, target, files);
            ASSERT_EQ(merged.code, kSuccess) << label << ": " << merged.message;
            std::vector<std::string> written;
            for (const std::string& name : merged.files) {
                written.push_back(ReadFile(name));
            }
            EXPECT_EQ(written, single.files) << label;
            if (single.names.size() > 1) {
                // Documents of their own are named as the single run names them.
                EXPECT_EQ(merged.files, single.names) << label;
            }
        }
    }
}

// A definition over awkward rows with every kind of node, saved in dir; its
// path.
inline std::string AwkwardProject(const TempDir& dir, size_t rows, void (*change)(DVFile&)) {
    DVFile definition = CsvDefinition(dir, AwkwardCsv(rows), false);
    definition.SetQuotedLineBreaks(true);
    AddEverything(definition, false);
    change(definition);
    return SaveDefinition(definition, dir);
}

// Definitions whose rows depend on the rows before them in the source, not
// in what the writer remembers: a part learns it by reading those rows.
inline std::vector<AwkwardCase> RememberingCases() {
    return {
        {"row numbers in rows and footer",
         [](DVFile& d) {
             Add(d.Root(), "n")->SetValue("row {ROW}");
             XMLNode* footer = Add(d.Root(), "count");
             footer->SetScope(XMLNode::kFooterScope);
             footer->SetValue("{ROW} rows");
         }},
        {"a first and a last row",
         [](DVFile& d) {
             d.SetFirstRow(4);
             d.SetLastRow(31);
             Add(d.Root(), "n")->SetValue("{ROW}");
         }},
        {"the last value when empty, rows skipped by rules",
         [](DVFile& d) {
             d.Column(d.ColumnIndexByName("Name")).useLastIfEmpty = true;
             d.Column(d.ColumnIndexByName("Amount")).skipIfZero = true;
         }},
        {"duplicates skipped by column",
         [](DVFile& d) { d.Column(d.ColumnIndexByName("Name")).skipIfDuplicate = true; }},
        {"a footer that reads the last row",
         [](DVFile& d) {
             XMLNode* footer = Add(d.Root(), "last");
             footer->SetScope(XMLNode::kFooterScope);
             Add(*footer, "name", XMLNode::kElement, Id(d, "Name"));
             Add(*footer, "id", XMLNode::kAttribute, Id(d, "Id"));
         }},
        {"a document per row",
         [](DVFile& d) {
             d.SetFilePerRow(true);
             Add(d.Root(), "n")->SetValue("{ROW}");
         }},
        {"a document per row named by a column and a counter",
         [](DVFile& d) {
             d.SetFilePerRow(true);
             const std::filesystem::path folder =
                 std::filesystem::path(d.Settings().targetfilename).parent_path();
             d.SetTargetFileName((folder / "doc-<C=Name>-<NN>.xml").string());
         }},
    };
}

}  // namespace testsupport
