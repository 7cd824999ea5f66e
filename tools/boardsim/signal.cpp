#include "signal.hpp"

#include <bit>
#include <cmath>
#include <numbers>

namespace boardsim {

Rng::Rng(uint64_t seed) {
  for (auto& word : s_) {
    seed += 0x9E3779B97F4A7C15ULL;
    uint64_t z = seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    word = z ^ (z >> 31);
  }
}

uint64_t Rng::Next() {
  const uint64_t result = std::rotl(s_[1] * 5, 7) * 9;
  const uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = std::rotl(s_[3], 45);
  return result;
}

double Rng::Uniform() { return static_cast<double>((Next() >> 11) + 1) * 0x1.0p-53; }

double Rng::Gaussian() {
  if (has_spare_) {
    has_spare_ = false;
    return spare_;
  }
  const double radius = std::sqrt(-2.0 * std::log(Uniform()));
  const double angle = 2.0 * std::numbers::pi * Uniform();
  spare_ = radius * std::sin(angle);
  has_spare_ = true;
  return radius * std::cos(angle);
}

double Channel::Volts(double t_seconds, double noise_uv) {
  const double sine =
      signal_.sine_mv * std::sin(2.0 * std::numbers::pi * signal_.sine_hz * t_seconds);
  return (signal_.offset_mv + sine) * 1e-3 + noise_uv * 1e-6 * rng_.Gaussian();
}

}  // namespace boardsim
