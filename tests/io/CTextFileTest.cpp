#include "io/CTextFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "TestSupport.h"
#include "base/TextUtil.h"

using Norvik::CTextFile;

namespace {

std::string Utf16(std::u16string_view text, bool bigEndian, bool bom = true) {
    std::string bytes;
    if (bom) {
        bytes += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    }
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::vector<std::string> AllLines(CTextFile& file, size_t maxChars = CTextFile::kDefaultMaxChars) {
    std::vector<std::string> lines;
    std::string_view line;
    CTextFile::LineStatus status;
    while ((status = file.ReadLine(line, maxChars)) != CTextFile::LineStatus::kEnd) {
        lines.push_back(status == CTextFile::LineStatus::kTooLong ? "<too long>"
                                                                  : std::string(line));
    }
    return lines;
}

struct EncodingCase {
    const char* what;
    std::string bytes;
    int32_t codePage;
};

TEST(CTextFileTest, DetectsEncodingsAndReadsLines) {
    const std::vector<std::string> expected = {"Name;Stadt",
                                               "J\xC3\xBCrgen;K\xC3\xB6ln \xE2\x82\xAC"};
    const EncodingCase cases[] = {
        {"UTF-8", "Name;Stadt\r\nJ\xC3\xBCrgen;K\xC3\xB6ln \xE2\x82\xAC\r\n", CTextFile::kUtf8},
        {"UTF-8 with BOM", "\xEF\xBB\xBFName;Stadt\nJ\xC3\xBCrgen;K\xC3\xB6ln \xE2\x82\xAC",
         CTextFile::kUtf8},
        {"Windows-1252", "Name;Stadt\r\nJ\xFCrgen;K\xF6ln \x80\r\n", CTextFile::kAnsi},
        {"UTF-16 LE", Utf16(u"Name;Stadt\r\nJ\u00FCrgen;K\u00F6ln \u20AC\r\n", false),
         CTextFile::kUtf16},
        {"UTF-16 BE", Utf16(u"Name;Stadt\nJ\u00FCrgen;K\u00F6ln \u20AC", true),
         CTextFile::kUtf16BigEndian},
    };
    testsupport::TempDir dir;
    for (const EncodingCase& c : cases) {
        const std::string path = dir.File("f.txt");
        testsupport::WriteFile(path, c.bytes);
        for (size_t block : {size_t{1} << 20, size_t{16}, size_t{17}}) {
            CTextFile file;
            file.SetBlockSizeForTesting(block);
            ASSERT_TRUE(file.Open(path)) << c.what;
            EXPECT_EQ(file.GetCodePage(), c.codePage) << c.what;
            EXPECT_EQ(AllLines(file), expected) << c.what << " block " << block;
        }
    }
}

TEST(CTextFileTest, SevenBitTextReadsAsItIs) {
    // UTF-7 text is plain ASCII, so it reads as the characters it holds.
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("u7.txt"), "Hi +AKM-1\n");
    CTextFile file;
    ASSERT_TRUE(file.Open(dir.File("u7.txt")));
    EXPECT_EQ(file.GetCodePage(), CTextFile::kUtf8);
    EXPECT_EQ(AllLines(file), (std::vector<std::string>{"Hi +AKM-1"}));
}

TEST(CTextFileTest, BlankLinesAndLineEndsAreSkipped) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("b.txt"), "\r\n\na\r\r\n\n\nb\n\r\n c \n");
    for (size_t block : {size_t{1} << 20, size_t{16}, size_t{17}, size_t{18}}) {
        CTextFile file;
        file.SetBlockSizeForTesting(block);
        ASSERT_TRUE(file.Open(dir.File("b.txt")));
        EXPECT_EQ(AllLines(file), (std::vector<std::string>{"a", "b", " c "})) << block;
    }
}

TEST(CTextFileTest, MalformedBytesBecomeReplacementCharacters) {
    // Valid UTF-8 at first (so the file is read as UTF-8), then a stray byte.
    testsupport::TempDir dir;
    std::string bytes = "ok \xC3\xA9\n";
    bytes += std::string(9000, 'x') + "\n";
    bytes += "bad \xFF end\n";
    testsupport::WriteFile(dir.File("m.txt"), bytes);
    CTextFile file;
    ASSERT_TRUE(file.Open(dir.File("m.txt")));
    EXPECT_EQ(file.GetCodePage(), CTextFile::kUtf8);
    const std::vector<std::string> lines = AllLines(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "bad \xEF\xBF\xBD end");
}

TEST(CTextFileTest, MalformedLinesAmongValidOnesAreFoundWhereverBlocksEnd) {
    // A block is checked once for the lines after the one read; malformed
    // lines later in it, and characters cut by a block's end, must still be
    // seen, also after seeking back.
    const std::vector<std::string> lines = {"first \xC3\xA9 line",
                                            "\xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x98\x80",
                                            "stray \xFF byte",
                                            "ok \xC5\x81ukasz",
                                            "cut \xE2\x82",
                                            "overlong \xC0\xAF",
                                            "plain ascii",
                                            "surrogate \xED\xA0\x80 half",
                                            "\xC3\xBC\xC3\xB6\xC3\xA4 end"};
    std::string bytes;
    std::vector<std::string> expected;
    std::vector<int64_t> starts;
    for (const std::string& line : lines) {
        starts.push_back(static_cast<int64_t>(bytes.size()));
        bytes += line + "\n";
        std::string converted;
        for (size_t pos = 0; pos < line.size();) {
            Norvik::AppendUtf8(converted, Norvik::NextCodePoint(line, pos));
        }
        expected.push_back(converted);
    }
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("mixed.txt"), bytes);
    for (size_t block : {size_t{1} << 20, size_t{16}, size_t{17}, size_t{23}, size_t{40}}) {
        CTextFile file;
        file.SetBlockSizeForTesting(block);
        ASSERT_TRUE(file.Open(dir.File("mixed.txt")));
        file.SetCodePage(CTextFile::kUtf8);
        EXPECT_EQ(AllLines(file), expected) << block;
        for (size_t i : {size_t{4}, size_t{1}, size_t{2}, size_t{8}}) {
            ASSERT_TRUE(file.Seek(starts[i]));
            std::string_view line;
            ASSERT_EQ(file.ReadLine(line, CTextFile::kDefaultMaxChars),
                      CTextFile::LineStatus::kLine);
            EXPECT_EQ(line, expected[i]) << block << " line " << i;
        }
    }
}

TEST(CTextFileTest, OverLongLinesAreSkippedWhole) {
    testsupport::TempDir dir;
    const std::string path = dir.File("long.txt");
    testsupport::WriteFile(
        path, "short\n" + std::string(300000, 'y') + "\nafter\n" + std::string(10, 'z') + "\n");
    for (size_t block : {size_t{1} << 20, size_t{4096}}) {
        CTextFile file;
        file.SetBlockSizeForTesting(block);
        ASSERT_TRUE(file.Open(path));
        EXPECT_EQ(AllLines(file, 100),
                  (std::vector<std::string>{"short", "<too long>", "after", "zzzzzzzzzz"}))
            << block;
    }
    CTextFile exact;
    ASSERT_TRUE(exact.Open(path));
    std::string_view line;
    exact.ReadLine(line, 10);
    EXPECT_EQ(exact.ReadLine(line, 10), CTextFile::LineStatus::kTooLong);
    EXPECT_EQ(exact.LineNumber(), 2);
}

TEST(CTextFileTest, SeekAndTellFollowLineStarts) {
    testsupport::TempDir dir;
    const std::string path = dir.File("s.txt");
    testsupport::WriteFile(path,
                           "\xEF\xBB\xBF"
                           "one\ntwo\nthree\n");
    CTextFile file;
    file.SetBlockSizeForTesting(16);
    ASSERT_TRUE(file.Open(path));
    std::string_view line;
    ASSERT_EQ(file.ReadLine(line), CTextFile::LineStatus::kLine);
    const int64_t afterOne = file.Tell();
    EXPECT_EQ(afterOne, 7);
    file.ReadLine(line);
    file.ReadLine(line);
    EXPECT_EQ(line, "three");
    ASSERT_TRUE(file.Seek(afterOne));
    file.ReadLine(line);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(file.LineNumber(), 0);  // unknown after a seek
    ASSERT_TRUE(file.Seek(0));
    file.ReadLine(line);
    EXPECT_EQ(line, "one");  // the byte order mark is skipped again
    EXPECT_EQ(file.LineNumber(), 1);
    EXPECT_EQ(file.GetSize(), 17);
}

TEST(CTextFileTest, OpenFailures) {
    testsupport::TempDir dir;
    CTextFile file;
    EXPECT_FALSE(file.Open(dir.File("missing.txt")));
    EXPECT_EQ(file.Error(), ENOENT);
    EXPECT_FALSE(file.Open(dir.Path().string()));
    EXPECT_EQ(file.Error(), EISDIR);
    testsupport::WriteFile(dir.File("empty.txt"), "");
    ASSERT_TRUE(file.Open(dir.File("empty.txt")));
    std::string_view line;
    EXPECT_EQ(file.ReadLine(line), CTextFile::LineStatus::kEnd);
}

}  // namespace

TEST(CTextFileTest, CopiedRecordsReadBackInAnyOrder) {
    testsupport::TempDir dir;
    const std::string path = dir.File("p.txt");
    std::string content;
    for (int i = 0; i < 300; ++i) {
        content += "record " + std::to_string(i) + std::string(i % 7, 'x') + "\n";
    }
    content += "last, without a line end";
    testsupport::WriteFile(path, content);

    CTextFile file;
    file.SetBlockSizeForTesting(64);  // many records cross blocks
    ASSERT_TRUE(file.Open(path));
    std::vector<std::pair<int64_t, std::string>> copies;
    std::vector<std::string> lines;
    std::string_view line;
    int64_t position = file.Tell();
    while (file.ReadLine(line) == CTextFile::LineStatus::kLine) {
        lines.emplace_back(line);
        std::string bytes;
        ASSERT_TRUE(file.AppendBytes(position, bytes));
        copies.emplace_back(position, bytes);
        position = file.Tell();
    }
    ASSERT_EQ(copies.size(), 301u);
    EXPECT_EQ(copies.back().second, "last, without a line end");

    // Back to front from the copies; reading on past a copy reads the file.
    for (size_t i = copies.size(); i-- > 0;) {
        file.SeekToCopy(copies[i].first, copies[i].second);
        ASSERT_EQ(file.ReadLine(line), CTextFile::LineStatus::kLine);
        EXPECT_EQ(line, lines[i]);
        if (i % 50 == 0) {
            const auto status = file.ReadLine(line);
            if (i + 1 < lines.size()) {
                ASSERT_EQ(status, CTextFile::LineStatus::kLine);
                EXPECT_EQ(line, lines[i + 1]);
            } else {
                EXPECT_EQ(status, CTextFile::LineStatus::kEnd);
            }
        }
    }
}

TEST(CTextFileTest, ReadsPipesInOrderAndRefusesFarSeeks) {
    testsupport::TempDir dir;
    const std::string path = dir.File("fifo");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] { testsupport::WriteFile(path, "a;b\nc;d\ne;f\n"); });
    CTextFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(AllLines(file), (std::vector<std::string>{"a;b", "c;d", "e;f"}));
    writer.join();
    EXPECT_FALSE(file.Seek(1 << 20));
    EXPECT_EQ(file.Error(), ESPIPE);
}
