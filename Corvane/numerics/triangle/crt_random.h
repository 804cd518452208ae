// The C runtime's linear congruential generator, as the triangle bootstrap draws from it:
// state = state * 214013 + 2531011 (mod 2^32), draw = (state >> 16) & 0x7FFF, in 0 ... 32767.
#pragma once

#include <cstdint>

namespace corvane {

class CCrtRandom {
public:
    static constexpr std::uint32_t kMaxDraw = 0x7FFF;

    explicit CCrtRandom(std::uint32_t state) : state_(state) {}

    std::uint32_t Next() {
        state_ = state_ * 214013u + 2531011u;
        return (state_ >> 16) & kMaxDraw;
    }
    std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_;
};

// The calling thread's generator state: 1 on a thread that has not drawn yet, then wherever the
// thread's last bootstrap left it. Never reseeded.
std::uint32_t& ThreadCrtState();

// r mod d for a draw r <= 32767 without a division (Lemire, Kaser and Kurz, "Faster remainder by
// direct computation", 2019): exact for r, d < 2^16, and a divisor above 32767 leaves every draw
// as it is, so it is taken as 32768.
class CDrawModulus {
public:
    explicit CDrawModulus(std::uint64_t d)
        : d_(d > CCrtRandom::kMaxDraw ? CCrtRandom::kMaxDraw + 1 : static_cast<std::uint32_t>(d)),
          m_(UINT32_C(0xFFFFFFFF) / d_ + 1) {}

    std::uint32_t operator()(std::uint32_t r) const {
        const std::uint32_t low = m_ * r;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(low) * d_) >> 32);
    }

private:
    std::uint32_t d_;
    std::uint32_t m_;
};

}  // namespace corvane
