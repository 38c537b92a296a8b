#include "LiteralDecoder.h"

#include <cstring>
#include <vector>

namespace CodecBench {

namespace {

struct Node {
    uint32_t value;
    Node* child[2];
};

struct Entry {
    uint32_t symbol;
    uint32_t count;
};

class BitStream {
public:
    explicit BitStream(const uint8_t* p) : m_p(p) {}
    uint32_t bit() {
        const uint32_t b = (*m_p >> m_pos) & 1;
        if (++m_pos == 8) {
            m_pos = 0;
            ++m_p;
        }
        return b;
    }
    uint32_t bits(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= bit() << i;
        return v;
    }

private:
    const uint8_t* m_p;
    int m_pos = 0;
};

struct Tree {
    std::vector<Node> pool;
    size_t next = 1;

    void build(Node* node, const Entry* e, int k, uint64_t total) {
        if (k == 1) {
            node->value = e[0].symbol;
            node->child[0] = node->child[1] = nullptr;
            return;
        }
        const uint64_t h = total / 2;
        uint64_t s = 0, p = 0;
        int j = 0;
        for (; j < k; ++j) {
            p = s;
            s += e[j].count;
            if (s >= h) break;
        }
        int split;
        uint64_t left;
        if (h - p < s - h) {
            split = j;
            left = p;
        } else {
            split = j + 1;
            left = s;
        }
        node->value = uint32_t(split);
        node->child[0] = &pool[next++];
        node->child[1] = &pool[next++];
        build(node->child[0], e, split, left);
        build(node->child[1], e + split, k - split, total - left);
    }
};

// Appends v to the output, or repeats the last value -v times when v is negative.
void Emit(int32_t v, int32_t offset, int32_t* out, int64_t& o, int64_t count) {
    if (v >= 0) {
        out[o++] = v + offset;
        return;
    }
    for (int32_t r = 0; r < -v && o < count; ++r, ++o) out[o] = out[o - 1];
}

void DecodeAndExpand(BitStream& in, int32_t* out, int64_t count, int32_t offset) {
    const uint32_t width = in.bits(8);
    int64_t o = 0;
    if (width != 0) {
        const int32_t min = int32_t(in.bits(32));
        while (o < count) Emit(int32_t(in.bits(int(width)) + uint32_t(min)), offset, out, o, count);
        return;
    }
    const uint32_t nsym = in.bits(32);
    const int32_t min = int32_t(in.bits(32));
    const int countWidth = int(in.bits(6)), symWidth = int(in.bits(6));
    std::vector<Entry> srt(nsym);
    uint32_t c = 0;
    uint64_t total = 0;
    for (Entry& e : srt) {
        if (in.bit()) c = in.bits(countWidth);
        e.symbol = in.bits(symWidth);
        e.count = c;
        total += c;
    }
    Tree tree;
    tree.pool.resize(2 * size_t(nsym));
    tree.build(&tree.pool[0], srt.data(), int(nsym), total);
    while (o < count) {
        const Node* n = &tree.pool[0];
        while (n->child[0]) n = n->child[in.bit()];
        Emit(int32_t(n->value + uint32_t(min)), offset, out, o, count);
    }
}

// Prefix sums along one axis of a box, from index `pass` on each line.
void UndoAxis(int32_t* q, const int64_t* size, int d, int pass) {
    const int64_t stride = d == 0 ? 1 : d == 1 ? size[0] : size[0] * size[1];
    const int64_t outer = d == 0 ? size[1] * size[2] : d == 1 ? size[2] : 1;
    for (int64_t o = 0; o < outer; ++o) {
        for (int64_t k = 0; k < stride; ++k) {
            int32_t* line = q + o * stride * size[d] + k;
            for (int64_t i = pass; i < size[d]; ++i) {
                line[i * stride] = int32_t(uint32_t(line[i * stride]) + uint32_t(line[(i - 1) * stride]));
            }
        }
    }
}

template <class T>
T Read(const uint8_t*& p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    p += sizeof(T);
    return v;
}

bool DecodeZone(int dims, const uint8_t* p, float* out, int64_t capacity) {
    p += 2;  // tag
    const uint8_t mode = Read<uint8_t>(p);
    if (mode == 0 || mode == 1) {
        const int32_t count = Read<int32_t>(p);
        if (count > capacity) return false;
        if (mode == 0) {
            std::memcpy(out, p, size_t(count) * 4);
        } else {
            const float v = Read<float>(p);
            for (int32_t i = 0; i < count; ++i) out[i] = v;
        }
        return true;
    }
    int64_t size[3] = {1, 1, 1};
    int64_t count = 1;
    for (int d = 0; d < dims; ++d) count *= size[d] = Read<int32_t>(p);
    const float scale = Read<float>(p);
    float minimum = Read<float>(p);
    const int32_t m = Read<int32_t>(p);
    const int passes = Read<uint8_t>(p);
    if (minimum > 0 && minimum < 1e-20) minimum = 0;
    std::vector<int32_t> q(static_cast<size_t>(count));
    BitStream in(p);
    DecodeAndExpand(in, q.data(), count, m);
    for (int pass = passes; pass >= 1; --pass) {
        for (int d = 0; d < dims; ++d) UndoAxis(q.data(), size, d, pass);
    }
    if (count > capacity) return false;
    const float r = 1.0f / scale;
    for (int64_t i = 0; i < count; ++i) out[i] = float(q[size_t(i)]) * r + minimum;
    return true;
}

}  // namespace

bool LiteralDecompress(int dims, const uint8_t* block, int64_t size, float* floatOut, int64_t floatCount) {
    const uint8_t* p = block;
    const uint16_t tag = Read<uint16_t>(p);
    if (tag == 0xFC01) return DecodeZone(dims, block, floatOut, floatCount);
    if (tag != 0xFC02 && tag != 0xFC03) return false;
    const int zones = Read<uint16_t>(p);
    std::vector<int64_t> a(size_t(zones) + 1), b(size_t(zones) + 1);
    for (int i = 0; i < zones; ++i) a[size_t(i)] = Read<int32_t>(p);
    for (int i = 0; i < zones; ++i) b[size_t(i)] = Read<int32_t>(p);
    a[size_t(zones)] = floatCount;
    b[size_t(zones)] = size - (p - block);
    for (int i = 0; i < zones; ++i) {
        if (!DecodeZone(dims, p + b[size_t(i)], floatOut + a[size_t(i)], a[size_t(i) + 1] - a[size_t(i)])) return false;
    }
    return true;
}

}  // namespace CodecBench
