// Decoding of particle channels: the five storage methods of the particle data chunk, decoded on
// first use, and the two particle section forms, decoded while the file is read.
#include "loader/format/ParticleGroup.h"

#include "compression/InflateBlock.h"
#include "compression/SGCompressor.h"
#include "loader/format/ArrayStorage.h"
#include "loader/format/PayloadLimits.h"
#include "parallel/FmrParallel.h"
#include "utils/Allocation.h"
#include "utils/Log.h"

#include <cstring>

namespace {

using Words = FMRUtils::FmrArray<uint32_t, int64_t>;

enum Method { Stored = 0, Zlib = 1, BlockInParticleOrder = 2, BlockComponentMajor = 3, ZlibBitPlanes = 4 };

// Whether a codec block declares at least `count` values: checked before any room is made for
// them, so that a damaged count cannot claim memory that the block could never fill.
bool blockHolds(const void* block, int64_t size, int64_t count) {
    return CacheIO::blockFloatExtent(block, size, 1) >= count;
}

bool decodeBlock(FMRUtils::SGCompressor<1>* decoder, const void* block, int64_t size, void* out, int64_t count) {
    return decoder && decoder->Decompress(block, size, static_cast<float*>(out), count) == 1;
}

// The caller has checked the lengths with zlibCanInflate.
bool inflateExactly(const void* source, int64_t sourceBytes, void* out, int64_t outBytes) {
    return InflateBlock(source, static_cast<uint32_t>(sourceBytes), out, static_cast<uint32_t>(outBytes));
}

// Word w of particle p = componentMajor[w * count + p].
void interleave(const uint32_t* componentMajor, int64_t count, int words, char* out) {
    uint32_t* particles = reinterpret_cast<uint32_t*>(out);
    for (int word = 0; word < words; ++word) {
        const uint32_t* component = componentMajor + word * count;
        for (int64_t particle = 0; particle < count; ++particle)
            particles[particle * words + word] = component[particle];
    }
}

}  // namespace

// Reassembles particles from the bit planes of method 4: bit b of word w of particle p is bit
// (p mod 32) of word (p div 32) of plane (w * 32 + b), each plane being `blocks` words long.
class PRTIN : public FMRUtils::FmrParallel {
public:
    const uint32_t* planes = nullptr;
    int64_t blocks = 0;
    int words = 0;
    uint32_t* out = nullptr;

    static void reassemble(PRTIN* self, FMRUtils::Job* job) {
        for (int64_t particle = job->sliceStart; particle < job->sliceEnd; ++particle) {
            const int64_t block = particle / 32;
            const int bit = static_cast<int>(particle % 32);
            for (int word = 0; word < self->words; ++word) {
                const uint32_t* plane = self->planes + int64_t(word) * 32 * self->blocks + block;
                uint32_t value = 0;
                for (int b = 0; b < 32; ++b)
                    value |= ((plane[b * self->blocks] >> bit) & 1u) << b;
                self->out[particle * self->words + word] = value;
            }
        }
    }

    const char* getName() override { return "MT PRTIN"; }
};

bool FumaraFrameData::PGroup::decompressChannel(int channel, bool freeCompressed) {
    if (channel < 0 || channel >= CacheIO::ParticleChannelCount)
        return false;
    ChannelRecord& record = channels_[channel];
    if (record.ready.load(std::memory_order_acquire))
        return true;
    std::lock_guard<std::mutex> guard(record.lock);
    if (record.decoded.count() > 0)
        return true;
    if (record.compressed.count() == 0) {
        logMessage("PGroup::decompressChannel failed: no compression data!\n");
        return false;
    }
    // An unknown method never yields values; its stored bytes stay.
    if (record.method < Stored || record.method > ZlibBitPlanes)
        return false;
    const bool decoded = decodeMethod(channel, record);
    if (!decoded) {
        logMessage("Error decompressing particle channel %d with method %d\n", channel, record.method);
        clearRecord(record);
    }
    if (freeCompressed)
        CacheIO::releaseStorage(record.compressed);
    publish(record);
    return decoded;
}

bool FumaraFrameData::PGroup::decodeMethod(int channel, ChannelRecord& record) {
    const int words = CacheIO::particleChannelWords(channel);
    const int64_t values = int64_t(count) * words;
    const char* stored = record.compressed.data();
    const int64_t storedBytes = record.compressed.count();
    if (record.method == Stored) {
        if (!record.decoded.SetSize(storedBytes, nullptr, true))
            return false;
        memcpy(record.decoded.data(), stored, static_cast<size_t>(storedBytes));
        return true;
    }
    if (values == 0)
        return true;
    const bool zlib = record.method == Zlib || record.method == ZlibBitPlanes;
    const int64_t blocks = (int64_t(count) + 31) / 32;
    const int64_t inflatedBytes = record.method == Zlib ? values * 4 : blocks * words * 32 * 4;
    if (zlib ? !CacheIO::zlibCanInflate(storedBytes, inflatedBytes) : !blockHolds(stored, storedBytes, values))
        return false;
    if (!record.decoded.SetSize(values * 4, nullptr, true))
        return false;
    char* out = record.decoded.data();
    if (record.method == Zlib)
        return inflateExactly(stored, storedBytes, out, inflatedBytes);
    if (record.method == BlockInParticleOrder || record.method == BlockComponentMajor) {
        FMRUtils::SGCompressor<1>*& decoder = decoders_[channel];
        if (!decoder && !FMRUtils::newObject(decoder))
            return false;
        if (record.method == BlockInParticleOrder)
            return decodeBlock(decoder, stored, storedBytes, out, values);
        Words scratch;
        if (!scratch.SetSize(values, nullptr, true) || !decodeBlock(decoder, stored, storedBytes, scratch.data(), values))
            return false;
        interleave(scratch.data(), count, words, out);
        return true;
    }
    // Bit planes: ceil(count / 32) words per plane, 32 planes per word of a particle.
    Words planes;
    if (!planes.SetSize(inflatedBytes / 4, nullptr, true) || !inflateExactly(stored, storedBytes, planes.data(), inflatedBytes))
        return false;
    PRTIN job;
    job.planes = planes.data();
    job.blocks = blocks;
    job.words = words;
    job.out = reinterpret_cast<uint32_t*>(out);
    job.setupThreads();
    if (job.jobCount() == 0 || !job.setJobProc(&job, &PRTIN::reassemble))
        return false;
    job.prepare(count);
    job.runWithHolder();
    return true;
}

bool FumaraFrameData::PGroup::copyRawChannel(int channel, const uint32_t* words, int64_t wordCount, int64_t offset) {
    ChannelRecord& record = channels_[channel];
    const int64_t values = int64_t(count) * CacheIO::particleChannelWords(channel);
    if (offset < 0 || offset > wordCount || values > wordCount - offset)
        return false;
    if (!record.decoded.SetSize(values * 4, nullptr, true))
        return false;
    if (values > 0)
        memcpy(record.decoded.data(), words + offset, static_cast<size_t>(values * 4));
    publish(record);
    return true;
}

bool FumaraFrameData::PGroup::decodeSectionChannel(int channel, const uint32_t* words, int64_t wordCount,
                                                   int64_t offset) {
    ChannelRecord& record = channels_[channel];
    const int wordsPerParticle = CacheIO::particleChannelWords(channel);
    const int64_t values = int64_t(count) * wordsPerParticle;
    if (offset < 0 || offset >= wordCount)
        return false;
    if (values == 0)
        return true;
    const uint32_t* block = words + offset;
    const int64_t blockBytes = (wordCount - offset) * 4;
    FMRUtils::SGCompressor<1>*& decoder = decoders_[channel];
    Words scratch;
    if (blockHolds(block, blockBytes, values)) {
        if ((!decoder && !FMRUtils::newObject(decoder)) || !scratch.SetSize(values, nullptr, true) ||
            !record.decoded.SetSize(values * 4, nullptr, true))
            return false;
        if (decodeBlock(decoder, block, blockBytes, scratch.data(), values)) {
            interleave(scratch.data(), count, wordsPerParticle, record.decoded.data());
            publish(record);
            return true;
        }
    }
    // A broken block leaves the channel without data; the rest of the file is still read.
    logMessage("Error decompressing particle channel %d of group %s\n", channel, name.c_str());
    clearRecord(record);
    return true;
}

bool FumaraFrameData::PGroup::storeCompressedChannel(int channel, int32_t method, int64_t length) {
    ChannelRecord& record = channels_[channel];
    record.method = method;
    const bool sized = record.compressed.SetSize(length, nullptr, true);
    publish(record);
    return sized;
}
