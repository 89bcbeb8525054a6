#include "dvobj.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "TestSupport.h"

using testsupport::TempDir;

namespace {

// A definition of the current layout that takes its columns from the source.
std::string Definition(const std::string& source, const std::string& target) {
    return "<?xml version=\"1.0\"?><tarnwrightdatavane><version>2.6</version>"
           "<sourcefilename>" +
           source +
           "</sourcefilename>"
           "<targetfilename>" +
           target +
           "</targetfilename>"
           "<delimiter>,</delimiter><encoding>utf-8</encoding>"
           "<xmlroot name=\"rows\"/></tarnwrightdatavane>";
}

struct Object {
    DvobjDatavane* handle = nullptr;
    Object() { EXPECT_EQ(Dvobj_CreateInstance(DVOBJ_PROGID, &handle), DVOBJ_S_OK); }
    ~Object() { Datavane_Release(handle); }
    std::string Message() const {
        char* text = Datavane_ErrorMessage(handle);
        std::string message = text ? text : "<null>";
        Dvobj_FreeString(text);
        return message;
    }
};

TEST(DvobjTest, CreatesByClassIdentifierAndProgIds) {
    for (const char* id :
         {DVOBJ_CLSID_DATAVANE, "{6f1c2e3a-4b5d-4e8f-9a7b-3c2d1e0f5a69}",
          "6F1C2E3A-4B5D-4E8F-9A7B-3C2D1E0F5A69", "Dvobj.Datavane", "Dvobj.Datavane.1"}) {
        DvobjDatavane* object = nullptr;
        ASSERT_EQ(Dvobj_CreateInstance(id, &object), DVOBJ_S_OK) << id;
        EXPECT_EQ(Datavane_Release(object), 0u);
    }
    DvobjDatavane* object = reinterpret_cast<DvobjDatavane*>(0x1);
    EXPECT_EQ(Dvobj_CreateInstance("Other.Thing", &object), DVOBJ_REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Dvobj_CreateInstance(nullptr, &object), DVOBJ_REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Dvobj_CreateInstance(DVOBJ_PROGID, nullptr), DVOBJ_E_POINTER);

    DvobjClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObject("{00000000-0000-0000-0000-000000000000}", &factory),
              DVOBJ_CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(DllGetClassObject(DVOBJ_CLSID_DATAVANE, nullptr), DVOBJ_E_POINTER);
    ASSERT_EQ(DllGetClassObject(DVOBJ_CLSID_DATAVANE, &factory), DVOBJ_S_OK);
    ASSERT_EQ(DvobjClassFactory_CreateInstance(factory, &object), DVOBJ_S_OK);
    EXPECT_EQ(DvobjClassFactory_CreateInstance(factory, nullptr), DVOBJ_E_POINTER);
    EXPECT_EQ(DllCanUnloadNow(), DVOBJ_S_FALSE);
    EXPECT_EQ(Datavane_AddRef(object), 2u);
    EXPECT_EQ(Datavane_Release(object), 1u);
    EXPECT_EQ(Datavane_Release(object), 0u);
    EXPECT_EQ(DllCanUnloadNow(), DVOBJ_S_OK);
    DvobjClassFactory_LockServer(factory, 1);
    EXPECT_EQ(DllCanUnloadNow(), DVOBJ_S_FALSE);
    DvobjClassFactory_LockServer(factory, 0);
    EXPECT_EQ(DllCanUnloadNow(), DVOBJ_S_OK);
}

TEST(DvobjTest, NullPointersAreHarmless) {
    EXPECT_EQ(Datavane_AddRef(nullptr), 0u);
    EXPECT_EQ(Datavane_Release(nullptr), 0u);
    EXPECT_EQ(Datavane_Transform(nullptr, "x.dv", nullptr, nullptr), 0);
    EXPECT_EQ(Datavane_ErrorCode(nullptr), 0);
    char* message = Datavane_ErrorMessage(nullptr);
    EXPECT_STREQ(message, "");
    Dvobj_FreeString(message);
    Dvobj_FreeString(nullptr);
    Object object;
    EXPECT_EQ(Datavane_Transform(object.handle, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Invalid_DVFile);
}

TEST(DvobjTest, TransformReportsThroughTheProperties) {
    TempDir dir;
    testsupport::WriteFile(dir.File("in.csv"), "A,B\n1,2\n");
    testsupport::WriteFile(dir.File("other.csv"), "A,B\n3,4\n");
    testsupport::WriteFile(dir.File("t.dv"), Definition(dir.File("in.csv"), dir.File("out.xml")));
    Object object;
    EXPECT_EQ(Datavane_ErrorCode(object.handle), 0);
    EXPECT_EQ(object.Message(), "");

    // The definition's own files.
    ASSERT_EQ(Datavane_Transform(object.handle, dir.File("t.dv").c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(object.Message(), "Success");
    EXPECT_NE(testsupport::ReadFile(dir.File("out.xml")).find("<A>1</A>"), std::string::npos);

    // Empty overrides keep them; others replace them.
    ASSERT_EQ(Datavane_Transform(object.handle, dir.File("t.dv").c_str(), "", ""), 1);
    ASSERT_EQ(Datavane_Transform(object.handle, dir.File("t.dv").c_str(),
                                 dir.File("other.csv").c_str(), dir.File("o2.xml").c_str()),
              1);
    EXPECT_NE(testsupport::ReadFile(dir.File("o2.xml")).find("<A>3</A>"), std::string::npos);

    // A missing or unparsable project file: 101 with the path.
    EXPECT_EQ(Datavane_Transform(object.handle, dir.File("none.dv").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Invalid_DVFile);
    EXPECT_EQ(object.Message(), "The DV File is invalid: " + dir.File("none.dv"));
    testsupport::WriteFile(dir.File("bad.dv"),
                           "<tarnwrightdatavane><version>2.6</version><firstrow>x</firstrow>"
                           "</tarnwrightdatavane>");
    EXPECT_EQ(Datavane_Transform(object.handle, dir.File("bad.dv").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Invalid_DVFile);
    EXPECT_EQ(object.Message().rfind("Type mismatch. ", 0), 0u) << object.Message();

    // A run failure: message, ": " and the detail.
    EXPECT_EQ(Datavane_Transform(object.handle, dir.File("t.dv").c_str(),
                                 dir.File("gone.csv").c_str(), nullptr),
              0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_SourceFile_Open);
    EXPECT_EQ(object.Message(), "Failed to open the source file: " + dir.File("gone.csv") +
                                    ": No such file or directory");
}

TEST(DvobjTest, ProgressCanCancel) {
    TempDir dir;
    std::string csv = "N\n";
    for (int i = 0; i < 100; ++i) {
        csv += std::to_string(i) + "\n";
    }
    testsupport::WriteFile(dir.File("in.csv"), csv);
    testsupport::WriteFile(dir.File("t.dv"), Definition(dir.File("in.csv"), dir.File("out.xml")));
    Object object;
    auto cancel = [](int32_t rows, void*) { return rows == 0 ? 0 : 1; };
    EXPECT_EQ(Datavane_TransformWithProgress(object.handle, dir.File("t.dv").c_str(), nullptr,
                                             nullptr, cancel, nullptr),
              0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), 1);
    EXPECT_EQ(object.Message(), "The operation has been cancelled");
}

// The process-wide state (column counter, messages, locale cache, XML
// library) holds when two objects run at the same time.
TEST(DvobjTest, TwoThreadsTransformAtOnce) {
    TempDir dir;
    for (const char* name : {"a", "b"}) {
        std::string csv = "Id,Value\n";
        for (int i = 0; i < 2000; ++i) {
            csv += std::to_string(i) + "," + name + std::to_string(i) + "\n";
        }
        testsupport::WriteFile(dir.File(std::string(name) + ".csv"), csv);
        testsupport::WriteFile(
            dir.File(std::string(name) + ".dv"),
            Definition(dir.File(std::string(name) + ".csv"), dir.File(std::string(name) + ".xml")));
    }
    auto work = [&](const char* name, int& failures) {
        Object object;
        for (int round = 0; round < 5; ++round) {
            if (!Datavane_Transform(object.handle, dir.File(std::string(name) + ".dv").c_str(),
                                    nullptr, nullptr)) {
                ++failures;
            }
        }
    };
    int failuresA = 0;
    int failuresB = 0;
    std::thread a(work, "a", std::ref(failuresA));
    std::thread b(work, "b", std::ref(failuresB));
    a.join();
    b.join();
    EXPECT_EQ(failuresA + failuresB, 0);
    const std::string xmlA = testsupport::ReadFile(dir.File("a.xml"));
    EXPECT_NE(xmlA.find("<Value>a1999</Value>"), std::string::npos);
    EXPECT_EQ(xmlA.find("<Value>b"), std::string::npos);
}

TEST(DvobjTest, RegistrationFileComesAndGoes) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    ASSERT_EQ(DllRegisterServer(), DVOBJ_S_OK);
    const std::string file = dir.File("datavane/dvobj.registration");
    const std::string text = testsupport::ReadFile(file);
    EXPECT_NE(text.find("[Dvobj.Datavane.1]"), std::string::npos);
    EXPECT_NE(text.find("CurVer=Dvobj.Datavane.1"), std::string::npos);
    EXPECT_NE(text.find("[CLSID\\" DVOBJ_CLSID_DATAVANE "]"), std::string::npos);
    EXPECT_NE(text.find("ThreadingModel=Both"), std::string::npos);
    // The library's own file (versioned, since it carries a SONAME).
    const size_t at = text.find("InprocServer32=/");
    ASSERT_NE(at, std::string::npos);
    const std::string library = text.substr(at + 15, text.find('\n', at) - at - 15);
    EXPECT_NE(library.find("/libdvobj.so"), std::string::npos) << library;
    EXPECT_TRUE(std::filesystem::is_regular_file(library)) << library;
    ASSERT_EQ(DllUnregisterServer(), DVOBJ_S_OK);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(dir.File("datavane")));
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace

TEST(DvobjTest, MisuseGivesFailureCodesNeverACrash) {
    // Module and factory entry points with missing or wrong arguments.
    DvobjClassFactory* factory = nullptr;
    EXPECT_NE(DllGetClassObject(nullptr, &factory), DVOBJ_S_OK);
    EXPECT_NE(DllGetClassObject("{not-a-class}", &factory), DVOBJ_S_OK);
    EXPECT_EQ(factory, nullptr);
    EXPECT_NE(DllGetClassObject(DVOBJ_CLSID_DATAVANE, nullptr), DVOBJ_S_OK);
    DvobjDatavane* object = nullptr;
    EXPECT_NE(DvobjClassFactory_CreateInstance(nullptr, &object), DVOBJ_S_OK);
    EXPECT_EQ(object, nullptr);
    EXPECT_NE(DvobjClassFactory_LockServer(nullptr, 1), DVOBJ_S_OK);
    ASSERT_EQ(DllGetClassObject(DVOBJ_CLSID_DATAVANE, &factory), DVOBJ_S_OK);
    EXPECT_NE(DvobjClassFactory_CreateInstance(factory, nullptr), DVOBJ_S_OK);
    for (const char* name : {static_cast<const char*>(nullptr), "", "Dvobj", "Dvobj.Datavane.9"}) {
        object = nullptr;
        EXPECT_NE(Dvobj_CreateInstance(name, &object), DVOBJ_S_OK) << (name ? name : "null");
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_NE(Dvobj_CreateInstance(DVOBJ_PROGID, nullptr), DVOBJ_S_OK);

    // Transform on an object in any order, with any file names.
    Object fresh;
    EXPECT_EQ(Datavane_ErrorCode(fresh.handle), 0);  // before any run
    EXPECT_EQ(fresh.Message(), "");
    TempDir dir;
    testsupport::WriteFile(dir.File("binary.dv"), std::string("\0\xFF\xFE<<\x01", 6));
    testsupport::WriteFile(dir.File("empty.dv"), "");
    const std::string definitions[] = {"", dir.Path().string(), dir.File("missing.dv"),
                                       dir.File("binary.dv"), dir.File("empty.dv")};
    for (const std::string& dv : definitions) {
        EXPECT_EQ(
            Datavane_TransformWithProgress(fresh.handle, dv.c_str(), "", "", nullptr, nullptr), 0)
            << dv;
        EXPECT_EQ(Datavane_ErrorCode(fresh.handle), DVObj_Invalid_DVFile) << dv;
        EXPECT_FALSE(fresh.Message().empty()) << dv;
    }
    testsupport::WriteFile(dir.File("in.csv"), "A\n1\n");
    testsupport::WriteFile(dir.File("d.dv"), Definition(dir.File("in.csv"), dir.File("out.xml")));
    // A source or target that cannot be used fails the run, it does not crash.
    EXPECT_EQ(
        Datavane_Transform(fresh.handle, dir.File("d.dv").c_str(), dir.Path().c_str(), nullptr), 0);
    EXPECT_NE(Datavane_ErrorCode(fresh.handle), 0);
    EXPECT_EQ(Datavane_Transform(fresh.handle, dir.File("d.dv").c_str(), nullptr,
                                 dir.File("no/such/folder/out.xml").c_str()),
              0);
    EXPECT_NE(Datavane_ErrorCode(fresh.handle), 0);
    // Cancelled at once.
    EXPECT_EQ(Datavane_TransformWithProgress(
                  fresh.handle, dir.File("d.dv").c_str(), nullptr, nullptr,
                  [](int32_t, void*) { return 0; }, nullptr),
              0);
    EXPECT_NE(Datavane_ErrorCode(fresh.handle), 0);
    // And still usable afterwards.
    EXPECT_NE(Datavane_Transform(fresh.handle, dir.File("d.dv").c_str(), nullptr, nullptr), 0)
        << fresh.Message();
}

namespace {

TEST(DvobjTest, WriteSchemaDescribesTheRunsOutputAndCanBecomeItsValidation) {
    TempDir dir;
    testsupport::WriteFile(dir.File("in.csv"), "A,B\n1,2\n3,\n");
    testsupport::WriteFile(dir.File("t.dv"), Definition(dir.File("in.csv"), dir.File("out.xml")));
    Object object;
    // Without columns, the schema follows the tree a run takes from the source.
    ASSERT_EQ(
        Datavane_WriteSchema(object.handle, dir.File("t.dv").c_str(), dir.File("t.xsd").c_str(), 1),
        1)
        << object.Message();
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Success);
    const std::string schema = testsupport::ReadFile(dir.File("t.xsd"));
    EXPECT_NE(schema.find("<xs:element name=\"rows\">"), std::string::npos) << schema;
    EXPECT_NE(schema.find("name=\"B\""), std::string::npos) << schema;
    // The definition now validates against it, and its output is valid.
    EXPECT_NE(testsupport::ReadFile(dir.File("t.dv")).find("t.xsd"), std::string::npos);
    ASSERT_EQ(Datavane_Transform(object.handle, dir.File("t.dv").c_str(), nullptr, nullptr), 1)
        << object.Message();

    // Failures: the code and the file named.
    EXPECT_EQ(Datavane_WriteSchema(object.handle, dir.File("t.dv").c_str(),
                                   dir.File("no/t.xsd").c_str(), 0),
              0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_TargetFile_Create);
    EXPECT_NE(object.Message().find(dir.File("no/t.xsd")), std::string::npos) << object.Message();
    EXPECT_EQ(Datavane_WriteSchema(object.handle, dir.File("none.dv").c_str(),
                                   dir.File("t.xsd").c_str(), 0),
              0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Invalid_DVFile);
    EXPECT_EQ(Datavane_WriteSchema(object.handle, dir.File("t.dv").c_str(), nullptr, 0), 0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Invalid_Argument);
    EXPECT_EQ(Datavane_WriteSchema(nullptr, nullptr, nullptr, 0), 0);
}

}  // namespace
// Runs in parts through the C surface: misuse fails with a code, and a plan,
// its parts and their merge give the bytes Transform writes.
TEST(DvobjTest, RunsInPartsThroughTheCInterface) {
    EXPECT_EQ(Datavane_Plan(nullptr, "x.dv", nullptr, "p", 2, nullptr), 0);
    EXPECT_EQ(
        Datavane_RunPart(nullptr, "x.dv", nullptr, "p", 0, 2, nullptr, nullptr, nullptr, nullptr),
        0);
    EXPECT_EQ(Datavane_Merge(nullptr, "x.dv", nullptr, "t", nullptr, 0, nullptr, nullptr, nullptr),
              0);
    TempDir dir;
    std::string csv = "A,B\n";
    for (int i = 0; i < 200; ++i) {
        csv += std::to_string(i) + ",b" + std::to_string(i) + "\n";
    }
    testsupport::WriteFile(dir.File("in.csv"), csv);
    const std::string dv = dir.File("d.dv");
    testsupport::WriteFile(dv, Definition(dir.File("in.csv"), dir.File("out.xml")));
    Object object;
    ASSERT_EQ(Datavane_Transform(object.handle, dv.c_str(), nullptr, nullptr), 1)
        << object.Message();
    const std::string plan = dir.File("run.plan");
    ASSERT_EQ(Datavane_Plan(object.handle, dv.c_str(), nullptr, plan.c_str(), 3, nullptr), 1)
        << object.Message();
    const std::string parts[] = {dir.File("0.part"), dir.File("1.part"), dir.File("2.part")};
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(Datavane_RunPart(object.handle, dv.c_str(), nullptr, parts[k].c_str(), k, 3,
                                   plan.c_str(), nullptr, nullptr, nullptr),
                  1)
            << object.Message();
    }
    EXPECT_EQ(Datavane_RunPart(object.handle, dv.c_str(), nullptr, parts[0].c_str(), 3, 3, nullptr,
                               nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Invalid_Argument);
    const char* names[] = {parts[0].c_str(), parts[1].c_str(), parts[2].c_str()};
    const std::string merged = dir.File("merged.xml");
    ASSERT_EQ(Datavane_Merge(object.handle, dv.c_str(), nullptr, merged.c_str(), names, 3, nullptr,
                             nullptr, nullptr),
              1)
        << object.Message();
    EXPECT_EQ(testsupport::ReadFile(merged), testsupport::ReadFile(dir.File("out.xml")));
    EXPECT_EQ(Datavane_Merge(object.handle, dv.c_str(), nullptr, merged.c_str(), nullptr, 3,
                             nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(Datavane_ErrorCode(object.handle), DVObj_Parts);
    EXPECT_NE(object.Message().find("No part files"), std::string::npos) << object.Message();
}
