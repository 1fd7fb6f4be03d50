#include "delivery_plan.h"

#include <map>

namespace devserver {

std::vector<Chunk> PlanChunks(size_t size, const Delivery& d) {
    if (d.dripMs > 0 && size > 0) {
        std::vector<Chunk> bytes;
        bytes.reserve(size);
        for (size_t i = 0; i < size; ++i) bytes.push_back({i, 1, i == 0 ? 0 : d.dripMs});
        return bytes;
    }
    // Cut points inside the packet, each with the pause that precedes the
    // bytes after it; a stall at a split point wins over the gap.
    std::map<size_t, int> cuts;
    size_t at = 0;
    for (size_t piece : d.split) {
        at += piece;
        if (piece == 0 || at >= size) break;
        cuts[at] = d.gapMs;
    }
    if (d.stallMs > 0 && d.stallAfter < size) cuts[d.stallAfter] = d.stallMs;

    std::vector<Chunk> chunks;
    size_t start = 0;
    int pause = 0;
    for (const auto& [cut, pauseAfter] : cuts) {
        if (cut > start) chunks.push_back({start, cut - start, pause});
        start = cut;
        pause = pauseAfter;
    }
    if (start < size || chunks.empty()) chunks.push_back({start, size - start, pause});
    return chunks;
}

std::string DescribeDelivery(const Delivery& d) {
    std::string s;
    if (!d.split.empty()) {
        s = "split ";
        for (size_t piece : d.split) s += std::to_string(piece) + "+";
        s += "rest gap " + std::to_string(d.gapMs) + " ms";
    }
    if (d.stallMs > 0) {
        if (!s.empty()) s += ", ";
        s += "stall " + std::to_string(d.stallMs) + " ms after " + std::to_string(d.stallAfter) + " bytes";
    }
    if (d.dripMs > 0) {
        if (!s.empty()) s += ", ";
        s += "one byte every " + std::to_string(d.dripMs) + " ms";
    }
    return s;
}

}  // namespace devserver
