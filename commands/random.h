// The script's pseudo-random generator ("Mathematics" operations 13 to 15): a linear
// congruential step in 32-bit signed arithmetic that scripts seed themselves. Multiplier,
// increment and state all start at 0, so an unseeded generator yields 0.
#pragma once

#include <cstdint>

namespace quillset::commands {

class RandomGenerator {
 public:
  void SetCoefficients(int32_t multiplier, int32_t increment) {
    multiplier_ = multiplier;
    increment_ = increment;
  }
  void SetState(int32_t state) { state_ = state; }

  // t = multiplier * state + increment, wrapping in 32 bits; the state becomes t mod 32767
  // (remainder with the sign of t). Answers t.
  int32_t Next() {
    uint32_t product = static_cast<uint32_t>(multiplier_) * static_cast<uint32_t>(state_);
    auto t = static_cast<int32_t>(product + static_cast<uint32_t>(increment_));
    state_ = t % 32767;
    return t;
  }

 private:
  int32_t multiplier_ = 0;
  int32_t increment_ = 0;
  int32_t state_ = 0;
};

}  // namespace quillset::commands
