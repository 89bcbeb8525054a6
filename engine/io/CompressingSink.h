#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "FileSink.h"

namespace Norvik {

enum class Compression { kNone, kGzip, kZstd };

// The compression a target name asks for: ".gz" gzip, ".zst" zstd (letter
// case ignored).
Compression CompressionFor(std::string_view name);
// The length of the name's compression suffix (".gz", ".zst"), 0 for none.
size_t CompressionSuffixLength(std::string_view name);

// Compresses what is written to it, streaming, into another sink. Commit
// ends the compressed stream before the inner sink commits; Discard drops
// both.
class CompressingSink final : public IFileSink {
public:
    // Null when the compressor cannot start (out of memory).
    static std::unique_ptr<CompressingSink> Wrap(std::unique_ptr<IFileSink> inner,
                                                 Compression compression);
    ~CompressingSink() override;

    bool Write(std::string_view bytes) override;
    bool Commit() override;
    void Discard() override;
    int Error() const override;

private:
    struct State;
    explicit CompressingSink(std::unique_ptr<IFileSink> inner, Compression compression);
    bool Pump(std::string_view bytes, bool finish);

    std::unique_ptr<IFileSink> inner_;
    Compression compression_;
    std::unique_ptr<State> state_;
    std::string buffer_;
    int error_ = 0;
};

}  // namespace Norvik
