// The fuzz harness includes the picture helpers by this name.
#include "tests/support/pictures.h"
