// Targets named *.gz and *.zst are written compressed.
#include <gtest/gtest.h>
#include <zlib.h>
#include <zstd.h>

#include <filesystem>

#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "io/FileSink.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

std::string Gunzip(const std::string& bytes) {
    z_stream z{};
    inflateInit2(&z, 15 + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    std::string out;
    char buffer[65536];
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
    EXPECT_EQ(status, Z_STREAM_END) << "not a whole gzip stream";
    return out;
}

std::string Unzstd(const std::string& bytes) {
    ZSTD_DCtx* context = ZSTD_createDCtx();
    ZSTD_inBuffer in{bytes.data(), bytes.size(), 0};
    std::string out;
    char buffer[65536];
    size_t left = 1;
    while (in.pos < in.size && left != 0) {
        ZSTD_outBuffer chunk{buffer, sizeof buffer, 0};
        left = ZSTD_decompressStream(context, &chunk, &in);
        EXPECT_FALSE(ZSTD_isError(left)) << ZSTD_getErrorName(left);
        if (ZSTD_isError(left)) {
            break;
        }
        out.append(buffer, chunk.pos);
    }
    ZSTD_freeDCtx(context);
    EXPECT_EQ(left, 0u) << "not a whole zstd frame";
    return out;
}

std::string Decompress(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return path.ends_with(".gz") ? Gunzip(bytes) : Unzstd(bytes);
}

// Rows with text beyond ASCII, so every encoding family has work to do.
const std::string kCsv = "Id,Name\n1,Grüße\n2,Ωμέγα\n3,日本語\n4,plain\n";

}  // namespace

TEST(CompressedOutputTest, DecompressesToTheSameDocumentInEveryEncodingFamily) {
    for (const char* encoding : {"utf-8", "utf-16", "windows-1252", "shift_jis"}) {
        for (const char* suffix : {".gz", ".zst"}) {
            SCOPED_TRACE(std::string(encoding) + suffix);
            TempDir dir;
            DVFile definition = CsvDefinition(dir, kCsv);
            definition.SetEncoding(encoding);
            ASSERT_EQ(RunSaved(definition, dir).code, kSuccess);
            const std::string plain = ReadFile(dir.File("out.xml"));
            definition.SetTargetFileName(dir.File(std::string("out.xml") + suffix));
            const RunOutcome outcome = RunSaved(definition, dir);
            ASSERT_EQ(outcome.code, kSuccess) << outcome.detail;
            EXPECT_EQ(Decompress(dir.File(std::string("out.xml") + suffix)), plain);
        }
    }
}

TEST(CompressedOutputTest, NumberedFilesKeepTheSuffixLast) {
    TempDir dir;
    DVFile definition = CsvDefinition(dir, kCsv);
    definition.SetFilePerRow(true);
    definition.SetTargetFileName(dir.File("out.xml.gz"));
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, kSuccess) << outcome.detail;
    ASSERT_EQ(outcome.files.size(), 4u);
    EXPECT_EQ(outcome.files[0], dir.File("out001.xml.gz"));
    EXPECT_EQ(outcome.files[3], dir.File("out004.xml.gz"));
    EXPECT_NE(Decompress(outcome.files[2]).find("日本語"), std::string::npos);
    // A name without an extension of its own: the number goes before the suffix.
    definition.SetTargetFileName(dir.File("part.zst"));
    const RunOutcome second = RunSaved(definition, dir);
    ASSERT_EQ(second.code, kSuccess);
    EXPECT_EQ(second.files[0], dir.File("part001.zst"));
}

TEST(CompressedOutputTest, TheXslStepRunsBeforeCompression) {
    TempDir dir;
    WriteFile(dir.File("names.xsl"),
              "<xsl:stylesheet version=\"1.0\" "
              "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
              "<xsl:output method=\"text\" encoding=\"utf-8\"/>"
              "<xsl:template match=\"/\"><xsl:for-each select=\"//Name\">"
              "<xsl:value-of select=\".\"/>;</xsl:for-each></xsl:template>"
              "</xsl:stylesheet>");
    DVFile definition = CsvDefinition(dir, kCsv);
    definition.SetXslTransform(dir.File("names.xsl"));
    definition.SetTargetFileName(dir.File("names.txt.gz"));
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, kSuccess) << outcome.detail;
    EXPECT_EQ(Decompress(dir.File("names.txt.gz")), "Grüße;Ωμέγα;日本語;plain;");
    EXPECT_FALSE(fs::exists(dir.File("names.txt.gz.xsl-input")));
}

TEST(CompressedOutputTest, AFailedCompressedRunLeavesNothing) {
    for (const char* target : {"out.xml.gz", "out.xml.zst"}) {
        SCOPED_TRACE(target);
        TempDir dir;
        DVFile definition = CsvDefinition(dir, GeneratedCsv(20000));
        definition.SetTargetFileName(dir.File(target));
        const std::string path = SaveDefinition(definition, dir);
        // Compressed, the output is small: fail early.
        Norvik::FileSink::FailWritesAfterForTesting(2000, ENOSPC);
        const RunOutcome outcome = RunProject(path);
        Norvik::FileSink::FailWritesAfterForTesting(0, 0);
        EXPECT_EQ(outcome.code, kTargetFileWrite);
        EXPECT_NE(outcome.detail.find("No space left on device"), std::string::npos)
            << outcome.detail;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            left.push_back(entry.path().filename().string());
        }
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"definition.dv", "in.csv"}));
    }
}
