#pragma once

namespace quorvane {

// The internal drag format: the views accept drags only from each other, and the window reads
// what is dragged from their selections, so the payload carries nothing.
inline constexpr char entriesMimeType[] = "application/x-quorvane-entries";

} // namespace quorvane
