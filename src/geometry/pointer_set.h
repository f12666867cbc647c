// A set of object addresses, for walks that must meet each object once.
//
// Open addressing with linear probing in a power-of-two table kept at most
// half full: one multiply and, nearly always, one probe per insertion, and
// no allocation per element (a node-based std::unordered_set spends most of
// a vertex walk in its allocator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orb::geom {

class PointerSet {
public:
    // Adds `p`; true when it was not in the set yet.
    bool insert(const void* p) {
        if (2 * (size_ + 1) > slots_.size()) grow();
        const uintptr_t key = reinterpret_cast<uintptr_t>(p);
        for (size_t i = slot(key);; i = (i + 1) & mask_) {
            if (slots_[i] == key) return false;
            if (slots_[i] == kEmpty) {
                slots_[i] = key;
                ++size_;
                return true;
            }
        }
    }

private:
    static constexpr uintptr_t kEmpty = 0;  // no object lives at address 0
    static constexpr size_t kInitialSlots = 64;
    // Fibonacci hashing: the golden-ratio multiplier spreads the aligned
    // addresses (low bits always zero) over the top bits taken as the index.
    static constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

    size_t slot(uintptr_t key) const {
        return static_cast<size_t>((static_cast<uint64_t>(key) * kGolden) >> shift_) & mask_;
    }

    void grow() {
        std::vector<uintptr_t> old;
        old.swap(slots_);
        const size_t n = old.empty() ? kInitialSlots : 2 * old.size();
        slots_.assign(n, kEmpty);
        mask_ = n - 1;
        shift_ = 64;
        for (size_t m = n; m > 1; m >>= 1) --shift_;  // shift_ = 64 - log2(n)
        size_ = 0;
        for (uintptr_t key : old)
            if (key != kEmpty) insert(reinterpret_cast<const void*>(key));
    }

    std::vector<uintptr_t> slots_;
    size_t size_ = 0;
    size_t mask_ = 0;
    unsigned shift_ = 64;
};

}  // namespace orb::geom
