#pragma once

// Error lives in platform/, where every layer may use it; this name stays for
// the route format's units until their includes move too.
#include "platform/Error.h"
