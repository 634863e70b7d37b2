// The fuzz harness includes the folder helpers by this name.
#include "tests/support/files.h"
