// The simulated input of one converter channel: offset, optional sine and Gaussian noise.
#pragma once

#include <array>
#include <cstdint>

namespace boardsim {

struct ChannelSignal {
  double offset_mv = 0;
  double sine_mv = 0;  // amplitude
  double sine_hz = 0;
};

// xoshiro256** seeded through splitmix64, with Box-Muller on top: our own generator so that a
// seed gives the same samples with every standard library.
class Rng {
 public:
  explicit Rng(uint64_t seed);
  double Gaussian();

 private:
  uint64_t Next();
  double Uniform();  // in (0, 1]

  std::array<uint64_t, 4> s_;
  double spare_ = 0;
  bool has_spare_ = false;
};

class Channel {
 public:
  Channel(const ChannelSignal& signal, uint64_t seed) : signal_(signal), rng_(seed) {}
  // The input at time t with Gaussian noise of `noise_uv` rms.
  double Volts(double t_seconds, double noise_uv);

 private:
  ChannelSignal signal_;
  Rng rng_;
};

}  // namespace boardsim
