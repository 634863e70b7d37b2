// The memory budget of one decoded picture on this machine.
#pragma once

#include <stdint.h>

// A quarter of the physical memory, at most 512 MiB.
uint64_t MachinePictureBudget(void);
