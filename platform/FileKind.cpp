#include "platform/FileKind.h"

#include <string>
#include <sys/stat.h>

namespace quorvane {

namespace {

enum class Kind { Pipe = 1, Device, Socket, Other };

class FileKindCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "file kind"; }
    std::string message(int kind) const override {
        switch (static_cast<Kind>(kind)) {
        case Kind::Pipe:
            return "it is a named pipe (FIFO), not a regular file";
        case Kind::Device:
            return "it is a device, not a regular file";
        case Kind::Socket:
            return "it is a socket, not a regular file";
        case Kind::Other:
            break;
        }
        return "it is not a regular file";
    }
};

std::error_code kindError(Kind kind) {
    static const FileKindCategory category;
    return {static_cast<int>(kind), category};
}

} // namespace

std::error_code notARegularFile(unsigned mode) {
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return std::make_error_code(std::errc::is_a_directory);
    if (S_ISFIFO(mode))
        return kindError(Kind::Pipe);
    if (S_ISCHR(mode))
        return kindError(Kind::Device);
#ifdef S_ISBLK
    if (S_ISBLK(mode))
        return kindError(Kind::Device);
#endif
#ifdef S_ISSOCK
    if (S_ISSOCK(mode))
        return kindError(Kind::Socket);
#endif
    return kindError(Kind::Other);
}

} // namespace quorvane
