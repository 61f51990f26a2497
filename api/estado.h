// The store-generation detection, and the module state it sets.
#pragma once

#include <cstdint>

#include "nucleo/estado.h"

namespace orvex {

// Runs the store-generation detection and stores the outcome in VersionOE.
uint32_t DetectarVersion();

}  // namespace orvex
