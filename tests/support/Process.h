#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::test {

struct Outcome {
    int status = -1; // exit status, -1 when the program did not exit normally
    std::string out;
    std::string err;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `program` with `args`, the variables of `environment` replacing inherited ones, and no
// shell in between. Reads standard output and error until every process holding them has let go,
// so a helper the program started in the background (the installer) has finished too.
Outcome runProgram(const std::filesystem::path& program, std::vector<std::string> args,
                   const Environment& environment);

} // namespace quorvane::test
