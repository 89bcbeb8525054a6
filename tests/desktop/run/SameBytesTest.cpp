// The editor's F8, dvrun and the Python binding write the same bytes for the
// same definition, user and machine: Qt sets the process locale from the
// environment, a Python host may call locale.setlocale, and neither counts.
// Run once more under other locales by the test list.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <filesystem>
#include <string>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/CController.h"
#include "run/RunTransform.h"

using namespace testsupport;

namespace {

// The shipped example with the user's regional settings (the example itself
// names the invariant ones), writing to target, without the line that shows
// the time of the run.
std::string UsersExample(const TempDir& dir) {
    const std::filesystem::path examples = DV_EXAMPLES_DIR;
    std::filesystem::copy_file(examples / "orders.csv", dir.File("orders.csv"));
    std::string definition = ReadFile((examples / "orders.dv").string());
    const std::string invariant = "<locale>C</locale>";
    const size_t at = definition.find(invariant);
    if (at != std::string::npos) {
        definition.erase(at, invariant.size());
    }
    const std::string source = "examples/orders.csv";
    definition.replace(definition.find(source), source.size(), dir.File("orders.csv"));
    const std::string path = dir.File("orders.dv");
    WriteFile(path, definition);
    return path;
}

std::string WithoutTime(std::string xml) {
    const size_t begin = xml.find("<created>");
    const size_t end = xml.find("</created>");
    if (begin != std::string::npos && end != std::string::npos) {
        xml.erase(begin, end - begin);
    }
    return xml;
}

TEST(SameBytesTest, EditorRunnerAndBindingWriteTheSameBytes) {
    TempDir dir;
    const std::string definition = UsersExample(dir);

    // The editor: F8 on the opened definition, in a process whose locale Qt set.
    ASSERT_NE(std::setlocale(LC_ALL, nullptr), nullptr);
    CController controller;
    ASSERT_TRUE(controller.Open(definition));
    controller.Definition().SetTargetFileName(dir.File("editor.xml"));
    ScriptedPrompter prompter;
    RunTransform(nullptr, controller, prompter);
    ASSERT_EQ(prompter.messages.size(), 1u);
    ASSERT_TRUE(prompter.messages[0].text.contains("Processed"))
        << prompter.messages[0].text.toStdString();

    std::string errors;
    ASSERT_EQ(RunProgram(DV_DVRUN, {definition, "/t", dir.File("runner.xml")}, dir.Path(), &errors),
              0)
        << errors;

    const std::string editor = WithoutTime(ReadFile(dir.File("editor.xml")));
    ASSERT_NE(editor.find("<unitprice>"), std::string::npos);
    EXPECT_EQ(WithoutTime(ReadFile(dir.File("runner.xml"))), editor);
#if !defined(__SANITIZE_ADDRESS__)  // the interpreter cannot load a sanitized library
    // The binding, after the host set its process locale from the environment.
    const std::string script =
        "import locale, sys\n"
        "locale.setlocale(locale.LC_ALL, '')\n"
        "sys.path.insert(0, sys.argv[1])\n"
        "import dvobj\n"
        "with dvobj.Datavane() as dv:\n"
        "    sys.exit(0 if dv.transform(sys.argv[2], None, sys.argv[3]) else dv.error_code)\n";
    RunOptions options;
    options.environment = {{"DVOBJ_LIBRARY", DV_DVOBJ}};
    ASSERT_EQ(
        RunProgram(DV_PYTHON, {"-c", script, DV_PYTHON_DIR, definition, dir.File("binding.xml")},
                   dir.Path(), &errors, options),
        0)
        << errors;
    EXPECT_EQ(WithoutTime(ReadFile(dir.File("binding.xml"))), editor);
#endif
}

}  // namespace
