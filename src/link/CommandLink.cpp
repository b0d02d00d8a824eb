#include "link/CommandLink.h"
// PLACEHOLDER: being written.
