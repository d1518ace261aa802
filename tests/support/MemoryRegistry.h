#pragma once

#include "platform/MemoryRegistry.h"

namespace quorvane::test {

using quorvane::MemoryRegistry;

} // namespace quorvane::test
