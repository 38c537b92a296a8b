// Gives an FmrArray's buffer back to the heap (SetSize(0) keeps it).
#pragma once

#include <new>

namespace CacheIO {

template <class Array>
void releaseStorage(Array& array) {
    array.~Array();
    new (&array) Array();
}

}  // namespace CacheIO
