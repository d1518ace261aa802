#pragma once

#include <system_error>

namespace quorvane {

// The program reads and replaces files whole, and only a regular file bears that: reading a named
// pipe waits for a writer that may never come, a device may never end, and replacing either puts
// a plain file where the system expects something else. The error for a file of `mode` (a stat
// st_mode) that is not a regular file, whose message() says what stands there in words that can
// follow the file's name; no error for a regular file. A folder gives EISDIR, as the system would.
std::error_code notARegularFile(unsigned mode);

} // namespace quorvane
