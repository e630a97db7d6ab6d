#pragma once
// The guard for handlers is shared with the board and lives in foundation/ui.
#include "foundation/ui/Guard.h"
