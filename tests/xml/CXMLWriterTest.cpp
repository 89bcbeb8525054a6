#include "xml/CXMLWriter.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "TestSupport.h"
#include "base/PlatformError.h"

using namespace Norvik;

namespace {

// Collects bytes in memory; fails its Nth write with a chosen errno.
class FakeSink : public IFileSink {
public:
    FakeSink(std::string& bytes, int failOnWrite, int error)
        : bytes_(bytes), failOnWrite_(failOnWrite), errno_(error) {}
    bool Write(std::string_view data) override {
        if (++writes_ == failOnWrite_) {
            error_ = errno_;
            return false;
        }
        bytes_.append(data);
        return true;
    }
    bool Commit() override { return error_ == 0; }
    void Discard() override { bytes_.clear(); }
    int Error() const override { return error_; }

private:
    std::string& bytes_;
    int failOnWrite_;
    int errno_;
    int writes_ = 0;
    int error_ = 0;
};

TEST(CXMLWriterTest, WritesAnIndentedDocument) {
    testsupport::TempDir dir;
    const std::string path = dir.File("out.xml");
    CXMLWriter writer;
    ASSERT_TRUE(writer.Open(path, "", true));
    CXMLAttributeList attributes;
    attributes.AddAttribute("name", "a&b");
    EXPECT_TRUE(writer.StartElement("root", &attributes));
    EXPECT_EQ(attributes.Attributes().Count(), 0u);  // emptied after use
    EXPECT_TRUE(writer.AddElement("plain", "1 < 2"));
    EXPECT_TRUE(writer.AddElement("cdata", "x]]>y", CXMLWriter::kCData));
    EXPECT_TRUE(writer.AddElement("raw", "<b/>", CXMLWriter::kUnescaped));
    EXPECT_TRUE(writer.AddElement("blank", ""));
    EXPECT_FALSE(writer.Characters("x", 3));
    EXPECT_TRUE(writer.EndElement("root"));
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(testsupport::ReadFile(path),
              "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
              "<root name=\"a&amp;b\">\n"
              "\t<plain>1 &lt; 2</plain>\n"
              "\t<cdata><![CDATA[x]]]]><![CDATA[>y]]></cdata>\n"
              "\t<raw><b/></raw>\n"
              "\t<blank/>\n"
              "</root>\n");
}

TEST(CXMLWriterTest, OperationsNeedAnOpenWriter) {
    CXMLWriter writer;
    EXPECT_FALSE(writer.StartElement("a"));
    EXPECT_FALSE(writer.AddElement("a", "b"));
    EXPECT_FALSE(writer.EndElement("a"));
    EXPECT_FALSE(writer.Characters("a"));
    EXPECT_FALSE(writer.Close());
    EXPECT_FALSE(writer.Open("", "utf-8", true));
    testsupport::TempDir dir;
    EXPECT_FALSE(writer.Open(dir.File("no/such/folder/x.xml"), "utf-8", true));
    EXPECT_EQ(writer.FileError(), ENOENT);
    EXPECT_FALSE(writer.Open(dir.File("x.xml"), "bogus-encoding", true));
}

TEST(CXMLWriterTest, FailedWriteIsReportedAndNothingKept) {
    std::string bytes;
    CXMLWriter writer;
    ASSERT_TRUE(writer.Open(std::make_unique<FakeSink>(bytes, 1, ENOSPC), "utf-8", true));
    writer.StartElement("root");
    writer.EndElement("root");
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.FileError(), ENOSPC);
    EXPECT_TRUE(bytes.empty());
}

TEST(CXMLWriterTest, UnfinishedDocumentLeavesTheOldFile) {
    testsupport::TempDir dir;
    const std::string path = dir.File("keep.xml");
    testsupport::WriteFile(path, "<old/>");
    {
        CXMLWriter writer;
        ASSERT_TRUE(writer.Open(path, "utf-8", true));
        writer.StartElement("root");
        EXPECT_THROW(writer.AddElement("bad", "\x01"), PlatformError);
        EXPECT_FALSE(writer.Close());  // root still open: the document cannot end
    }
    EXPECT_EQ(testsupport::ReadFile(path), "<old/>");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_EQ(entry.path().filename(), "keep.xml") << "temporary file left behind";
    }
}

TEST(CXMLWriterTest, ReplacingKeepsPermissionsAndSymbolicLinks) {
    testsupport::TempDir dir;
    const std::string target = dir.File("real.xml");
    const std::string link = dir.File("link.xml");
    testsupport::WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, link);
    CXMLWriter writer;
    ASSERT_TRUE(writer.Open(link, "utf-8", true));
    writer.AddElement("new", "x");
    ASSERT_TRUE(writer.Close());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(testsupport::ReadFile(target).find("<new>x</new>"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
