// How one outgoing packet is cut into TCP writes: whole, split into pieces
// with pauses, or stalled part-way (to exercise the client's reassembly and
// its receive time-out).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace devserver {

struct Delivery {
    std::vector<size_t> split;  // sizes of the first pieces; the rest goes as one last piece
    int gapMs = 100;            // pause before each piece after the first
    size_t stallAfter = 0;      // with stallMs > 0: bytes written before the stall
    int stallMs = 0;            // pause before the rest is written
    int dripMs = 0;             // > 0: every byte is written alone, this long after the one before

    bool Plain() const { return split.empty() && stallMs <= 0 && dripMs <= 0; }
};

struct Chunk {
    size_t offset = 0;
    size_t length = 0;
    int pauseBeforeMs = 0;
};

// Pieces covering [0, size) in order; one piece when the delivery is plain.
std::vector<Chunk> PlanChunks(size_t size, const Delivery& delivery);

// Short note for the log, e.g. "split 3+3+rest gap 200 ms", empty when plain.
std::string DescribeDelivery(const Delivery& delivery);

}  // namespace devserver
