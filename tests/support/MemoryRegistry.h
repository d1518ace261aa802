#pragma once

#include "store/MemoryRegistry.h"

namespace quorvane::test {

using quorvane::MemoryRegistry;

} // namespace quorvane::test
