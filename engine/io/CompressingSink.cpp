#include "CompressingSink.h"

#include <zlib.h>
#include <zstd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>

namespace Norvik {

namespace {

constexpr size_t kOutputChunk = 1 << 18;
// Fast levels: compression must not be what limits a run.
constexpr int kGzipLevel = 6;
constexpr int kZstdLevel = 3;

bool EndsWith(std::string_view name, std::string_view suffix) {
    return name.size() > suffix.size() && strncasecmp(name.data() + name.size() - suffix.size(),
                                                      suffix.data(), suffix.size()) == 0;
}

}  // namespace

Compression CompressionFor(std::string_view name) {
    if (EndsWith(name, ".gz")) {
        return Compression::kGzip;
    }
    if (EndsWith(name, ".zst")) {
        return Compression::kZstd;
    }
    return Compression::kNone;
}

size_t CompressionSuffixLength(std::string_view name) {
    switch (CompressionFor(name)) {
        case Compression::kGzip:
            return 3;
        case Compression::kZstd:
            return 4;
        default:
            return 0;
    }
}

struct CompressingSink::State {
    z_stream zlib{};
    bool zlibStarted = false;
    ZSTD_CCtx* zstd = nullptr;

    ~State() {
        if (zlibStarted) {
            deflateEnd(&zlib);
        }
        if (zstd) {
            ZSTD_freeCCtx(zstd);
        }
    }
};

std::unique_ptr<CompressingSink> CompressingSink::Wrap(std::unique_ptr<IFileSink> inner,
                                                       Compression compression) {
    std::unique_ptr<CompressingSink> sink(new CompressingSink(std::move(inner), compression));
    State& state = *sink->state_;
    if (compression == Compression::kGzip) {
        // windowBits 15 + 16: a gzip header and trailer around the deflate stream.
        if (deflateInit2(&state.zlib, kGzipLevel, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
            Z_OK) {
            return nullptr;
        }
        state.zlibStarted = true;
    } else if (compression == Compression::kZstd) {
        state.zstd = ZSTD_createCCtx();
        if (!state.zstd ||
            ZSTD_isError(ZSTD_CCtx_setParameter(state.zstd, ZSTD_c_compressionLevel, kZstdLevel))) {
            return nullptr;
        }
    }
    return sink;
}

CompressingSink::CompressingSink(std::unique_ptr<IFileSink> inner, Compression compression)
    : inner_(std::move(inner)), compression_(compression), state_(std::make_unique<State>()) {
    buffer_.resize(kOutputChunk);
}

CompressingSink::~CompressingSink() = default;

int CompressingSink::Error() const {
    return error_ != 0 ? error_ : inner_->Error();
}

bool CompressingSink::Pump(std::string_view bytes, bool finish) {
    if (compression_ == Compression::kGzip) {
        z_stream& z = state_->zlib;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        z.avail_in = static_cast<uInt>(bytes.size());
        int status = Z_OK;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer_.data());
            z.avail_out = static_cast<uInt>(buffer_.size());
            status = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR) {
                error_ = EIO;
                return false;
            }
            const size_t produced = buffer_.size() - z.avail_out;
            if (produced > 0 && !inner_->Write(std::string_view(buffer_.data(), produced))) {
                return false;
            }
        } while (z.avail_out == 0 || (finish && status != Z_STREAM_END));
        return true;
    }
    ZSTD_inBuffer in{bytes.data(), bytes.size(), 0};
    while (true) {
        ZSTD_outBuffer out{buffer_.data(), buffer_.size(), 0};
        const size_t left =
            ZSTD_compressStream2(state_->zstd, &out, &in, finish ? ZSTD_e_end : ZSTD_e_continue);
        if (ZSTD_isError(left)) {
            error_ = EIO;
            return false;
        }
        if (out.pos > 0 && !inner_->Write(std::string_view(buffer_.data(), out.pos))) {
            return false;
        }
        const bool done = finish ? left == 0 : in.pos == in.size;
        if (done) {
            return true;
        }
    }
}

bool CompressingSink::Write(std::string_view bytes) {
    // zlib counts input in 32 bits; feed large buffers in pieces.
    constexpr size_t kPiece = 1u << 30;
    while (!bytes.empty()) {
        const size_t piece = std::min(bytes.size(), kPiece);
        if (!Pump(bytes.substr(0, piece), false)) {
            return false;
        }
        bytes.remove_prefix(piece);
    }
    return true;
}

bool CompressingSink::Commit() {
    return Pump({}, true) && inner_->Commit();
}

void CompressingSink::Discard() {
    inner_->Discard();
}

}  // namespace Norvik
