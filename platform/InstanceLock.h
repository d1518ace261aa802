#pragma once

#include <filesystem>
#include <optional>

namespace quorvane {

// True when `folder` is a directory that belongs to this user and that nobody else may enter.
bool isPrivateDirectory(const std::filesystem::path& folder);

// Where the marks of this user's running copy live, out of reach of other users: the user's
// runtime directory ($XDG_RUNTIME_DIR) when it is private to the user; otherwise a folder of the
// program's own below the user's cache directory ($XDG_CACHE_HOME, or ~/.cache), one per host so
// that a home folder shared between machines keeps them apart. That folder is made private
// (mode 700) if need be. None when neither can be had.
std::optional<std::filesystem::path> privateRuntimeDirectory();

// An exclusive lock on a file, taken without waiting and held until the object goes; the system
// lets go of it when the process ends, however it ends.
class InstanceLock {
public:
    enum class State {
        Held,          // this process holds it
        HeldElsewhere, // another process holds it
        Unavailable,   // the file could not be opened or locked at all
    };

    explicit InstanceLock(const std::filesystem::path& lockFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return m_state; }

private:
    int m_fd = -1;
    State m_state = State::Unavailable;
};

} // namespace quorvane
