#include "loader/format/ParticleChannels.h"

namespace CacheIO {

namespace {
struct ChannelLayout {
    int type;
    int components;
    int words;
};

const ChannelLayout DefinedChannels[18] = {
    {10, 3, 3}, {10, 3, 3}, {10, 1, 1}, {10, 1, 1}, {10, 3, 3}, {10, 1, 1},
    {0, 0, 0},  {0, 0, 0},  {0, 0, 0},  {10, 1, 1}, {7, 1, 2},  {10, 1, 1},
    {6, 1, 1},  {6, 1, 1},  {6, 1, 1},  {6, 1, 1},  {6, 1, 1},  {10, 1, 1},
};

const ChannelLayout UndefinedChannel = {0, 1, 1};

const ChannelLayout& layoutOf(int channel) {
    return channel >= 0 && channel < 18 ? DefinedChannels[channel] : UndefinedChannel;
}
}  // namespace

int particleChannelType(int channel) { return layoutOf(channel).type; }
int particleChannelComponents(int channel) { return layoutOf(channel).components; }
int particleChannelWords(int channel) { return layoutOf(channel).words; }

}  // namespace CacheIO
