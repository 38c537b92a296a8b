// The two containers Field3D writes (HDF5 and Ogawa) behind one interface: the catalogue of layers
// and the stored arrays of a layer, read as raw little-endian values of the layer's value type.
#pragma once

#include "plugins/f3dbridge/Failure.h"
#include "plugins/f3dbridge/Field3DLayers.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

// An array stored over a box, x fastest, then y, then z, with the components of a voxel together.
class StoredArray {
public:
    virtual ~StoredArray() = default;
    // For slice z and each row ys[0..rowCount) (ascending, inside the box), the values of
    // x0 .. x0 + count - 1 (inside the box), row after row, into out (resized to fit).
    virtual bool readRows(int64_t z, const int64_t* ys, size_t rowCount, int64_t x0, int64_t count,
                          std::vector<unsigned char>& out, Failure& failure) = 0;
};

// The stored blocks of a sparse layer, in block order.
class StoredBlocks {
public:
    virtual ~StoredBlocks() = default;
    // The values of allocated block `occupied` (0 for the first allocated block), into out, which
    // the caller has sized to one block.
    virtual bool readBlock(int64_t occupied, std::vector<unsigned char>& out, Failure& failure) = 0;
};

// A sparse layer's block tables and blocks.
struct SparseArrays {
    std::vector<unsigned char> allocated;    // one byte per block, non-zero when allocated
    std::vector<unsigned char> emptyValues;  // one value per block (all components), as stored
    std::unique_ptr<StoredBlocks> blocks;
};

class Field3DContainer {
public:
    virtual ~Field3DContainer() = default;

    // Every layer of every partition, in file order (the caller orders them).
    virtual bool readCatalogue(Catalogue& catalogue, Failure& failure) = 0;
    // A dense layer's array ("data") or a MAC layer's face array ("u_data", "v_data", "w_data"),
    // checked to hold box.voxels() * components values.
    virtual std::unique_ptr<StoredArray> openArray(const Layer& layer, const char* name, const Box& box, int components,
                                                   Failure& failure) = 0;
    // A sparse layer's tables and blocks, checked against its block layout.
    virtual bool openSparse(const Layer& layer, SparseArrays& arrays, Failure& failure) = 0;
};

// The container of the file at path, told apart by its first bytes; null (and the failure) when
// the file cannot be opened or is neither.
std::unique_ptr<Field3DContainer> openField3DContainer(const char* path, Failure& failure);

// The two containers (OgawaField3D.cpp, Hdf5Field3D.cpp); each takes over the open file.
std::unique_ptr<Field3DContainer> openOgawaContainer(std::FILE* file, Failure& failure);
std::unique_ptr<Field3DContainer> openHdf5Container(const char* path, Failure& failure);

}  // namespace F3dBridge

#pragma GCC visibility pop
