// Zero-filled allocation of the program's records.
#pragma once

#include <stddef.h>

// Returns zero-filled memory, or null with error code 1 set.
void* AllocZeroed(size_t cb);
void FreeZeroed(void* pv);

template <class T>
T* AllocRecord(void)
{
    return static_cast<T*>(AllocZeroed(sizeof(T)));
}
