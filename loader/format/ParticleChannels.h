// The fixed table of particle channels: 0 to 17 are defined, 18 to 31 behave as one-word channels
// of type 0.
#pragma once

namespace CacheIO {

constexpr int ParticleChannelCount = 32;
constexpr int ParticlePositionChannel = 0;
constexpr int ParticleVelocityChannel = 1;
constexpr int ParticleIdChannel = 10;

// Value type code of a channel (10 single precision, 7 the 64-bit ids, 6 integer-coded words).
int particleChannelType(int channel);
// Components of one particle's value.
int particleChannelComponents(int channel);
// 32-bit words of one particle's value (1 above channel 17, 0 for the undefined 6 to 8).
int particleChannelWords(int channel);

}  // namespace CacheIO
