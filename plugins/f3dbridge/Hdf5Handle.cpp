#include "plugins/f3dbridge/Hdf5Handle.h"

#include <vector>

namespace F3dBridge {

namespace {

// Longest text attribute read.
constexpr size_t MaxTextSize = 4096;

// The attribute, when it exists and holds exactly count elements of the type class.
Hdf5Handle openAttribute(hid_t object, const char* name, H5T_class_t typeClass, size_t count) {
    if (H5Aexists(object, name) <= 0) return {};
    Hdf5Handle attribute(H5Aopen(object, name, H5P_DEFAULT), H5Aclose);
    if (!attribute.valid()) return {};
    Hdf5Handle type(H5Aget_type(attribute.get()), H5Tclose);
    Hdf5Handle space(H5Aget_space(attribute.get()), H5Sclose);
    if (!type.valid() || !space.valid() || H5Tget_class(type.get()) != typeClass ||
        H5Sget_simple_extent_npoints(space.get()) != hssize_t(count))
        return {};
    return attribute;
}

}  // namespace

bool openHdf5Group(hid_t parent, const std::string& name, Hdf5Handle& group) {
    group.reset();
    H5L_info_t link;
    if (H5Lget_info(parent, name.c_str(), &link, H5P_DEFAULT) < 0) return false;
    if (link.type != H5L_TYPE_HARD) return true;
    H5O_info_t info;
    if (H5Oget_info_by_name2(parent, name.c_str(), &info, H5O_INFO_BASIC, H5P_DEFAULT) < 0) return false;
    if (info.type != H5O_TYPE_GROUP) return true;
    group = Hdf5Handle(H5Gopen2(parent, name.c_str(), H5P_DEFAULT), H5Gclose);
    return group.valid();
}

bool readHdf5Integers(hid_t object, const char* name, int64_t* out, size_t count) {
    const Hdf5Handle attribute = openAttribute(object, name, H5T_INTEGER, count);
    std::vector<long long> values(count);
    if (!attribute.valid() || H5Aread(attribute.get(), H5T_NATIVE_LLONG, values.data()) < 0) return false;
    for (size_t i = 0; i < count; ++i) out[i] = values[i];
    return true;
}

bool readHdf5Text(hid_t object, const char* name, std::string& out) {
    const Hdf5Handle attribute = openAttribute(object, name, H5T_STRING, 1);
    if (!attribute.valid()) return false;
    Hdf5Handle type(H5Aget_type(attribute.get()), H5Tclose);
    const size_t size = H5Tget_size(type.get());
    if (H5Tis_variable_str(type.get()) != 0 || size == 0 || size > MaxTextSize) return false;
    // One byte more than stored, for the terminating zero that the conversion writes.
    Hdf5Handle memoryType(H5Tcopy(H5T_C_S1), H5Tclose);
    std::vector<char> text(size + 1, '\0');
    if (!memoryType.valid() || H5Tset_size(memoryType.get(), size + 1) < 0 ||
        H5Aread(attribute.get(), memoryType.get(), text.data()) < 0)
        return false;
    text.back() = '\0';
    out = text.data();
    return true;
}

bool readHdf5Floats(hid_t object, const char* name, double* out, size_t count) {
    const Hdf5Handle attribute = openAttribute(object, name, H5T_FLOAT, count);
    return attribute.valid() && H5Aread(attribute.get(), H5T_NATIVE_DOUBLE, out) >= 0;
}

}  // namespace F3dBridge
