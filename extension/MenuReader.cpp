#include "extension/ExtensionMenu.h"

#include <cerrno>
#include <sys/stat.h>

namespace quorvane::ext {

const ExtensionMenu& MenuReader::read(Registry& store) {
    const auto file = store.storeFile();
    // Anything but a regular file or none is never kept: it is read (and refused) every time.
    std::optional<Identity> identity;
    struct stat status {};
    if (file && ::stat(file->c_str(), &status) == 0) {
        if (S_ISREG(status.st_mode))
            identity = Identity{status.st_dev,
                                status.st_ino,
                                status.st_size,
                                status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec,
                                status.st_ctim.tv_sec * 1000000000LL + status.st_ctim.tv_nsec,
                                true};
    } else if (file && errno == ENOENT) {
        identity = Identity{};
    }
    if (!identity || identity != m_identity) {
        // Taken before the reading, so that a change while it reads is read at the next call.
        m_menu = readExtensionMenu(store);
        m_identity = identity;
    }
    return m_menu;
}

} // namespace quorvane::ext
