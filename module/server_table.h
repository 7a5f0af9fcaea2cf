#pragma once

#include "hostapi/module.h"

namespace orv {

// The first record of the server table, which ends with an all-zero record.
extern const HostServerRecord kServerTable[];

}  // namespace orv
