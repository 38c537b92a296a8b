// An HDF5 identifier that closes itself, and the attribute reads Field3D's HDF5 layout needs.
#pragma once

#include <hdf5.h>

#include <cstdint>
#include <string>
#include <utility>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

class Hdf5Handle {
public:
    using Close = herr_t (*)(hid_t);

    Hdf5Handle() = default;
    Hdf5Handle(hid_t id, Close close) : id_(id), close_(close) {}
    ~Hdf5Handle() { reset(); }
    Hdf5Handle(Hdf5Handle&& other) noexcept : id_(std::exchange(other.id_, H5I_INVALID_HID)), close_(other.close_) {}
    Hdf5Handle& operator=(Hdf5Handle&& other) noexcept {
        if (this != &other) {
            reset();
            id_ = std::exchange(other.id_, H5I_INVALID_HID);
            close_ = other.close_;
        }
        return *this;
    }

    bool valid() const { return id_ >= 0; }
    hid_t get() const { return id_; }
    void reset() {
        if (id_ >= 0 && close_) close_(id_);
        id_ = H5I_INVALID_HID;
    }

private:
    hid_t id_ = H5I_INVALID_HID;
    Close close_ = nullptr;
};

// The hard-linked group `name` of parent into group, which stays invalid when name is another kind
// of object or a soft or external link (those are not followed). False when the object cannot be
// read.
bool openHdf5Group(hid_t parent, const std::string& name, Hdf5Handle& group);

// Attributes of an object: count integers (of any integer type), one text, or count floating
// point values. False when the attribute is missing or of another shape or kind.
bool readHdf5Integers(hid_t object, const char* name, int64_t* out, size_t count);
bool readHdf5Text(hid_t object, const char* name, std::string& out);
bool readHdf5Floats(hid_t object, const char* name, double* out, size_t count);

}  // namespace F3dBridge

#pragma GCC visibility pop
