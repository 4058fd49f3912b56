// Prepared terminal input for the key decoder's tests and its fuzz target.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "console/terminal/keydecoder.h"

namespace con::term {

// A byte source over prepared chunks of bytes: the bytes of one chunk are there
// at once; the next chunk arrives pause_ms after the previous one was used up.
// Tests feed the decoder with it; fuzzing too.
class ChunkSource : public ByteSource {
public:
    struct Chunk {
        int pause_ms;
        std::string bytes;
    };
    explicit ChunkSource(std::vector<Chunk> chunks) : chunks_(std::move(chunks)) {}
    int get(int timeout_ms) override {
        int b;
        if (take_back(b)) return b;
        while (chunk_ < chunks_.size()) {
            if (pos_ < chunks_[chunk_].bytes.size())
                return static_cast<unsigned char>(chunks_[chunk_].bytes[pos_++]);
            if (chunk_ + 1 == chunks_.size()) return kEnd;
            Chunk& next = chunks_[chunk_ + 1];
            if (timeout_ms >= 0 && next.pause_ms > timeout_ms) {
                next.pause_ms -= timeout_ms;
                return kTimeout;
            }
            ++chunk_;
            pos_ = 0;
        }
        return kEnd;
    }

private:
    std::vector<Chunk> chunks_;
    std::size_t chunk_ = 0;
    std::size_t pos_ = 0;
};

}  // namespace con::term
