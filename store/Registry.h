#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Registry value types by their registry numbers, so that any type survives a round trip.
namespace regtype {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expandSz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
inline constexpr std::uint32_t multiSz = 7;
} // namespace regtype

// One value as the registry holds it: the raw data bytes. A string's data holds its text without
// a terminating NUL; a DWORD's data is its four bytes, little-endian.
struct RegistryValue {
    std::string name;
    std::uint32_t type = regtype::none;
    std::string data;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// The data of a DWORD holding `number`.
std::string dwordData(std::uint32_t number);
// The number a DWORD's data holds; nothing unless the data is four bytes long, as the registry
// cannot report such a value as a DWORD.
std::optional<std::uint32_t> dwordNumber(std::string_view data);

// An open key. Reads see a snapshot taken at opening plus this key's own writes; nothing reaches
// the store until commit(). Destroying a key without commit() discards its writes, so that an
// operation that ends in a failure leaves nothing half-done behind.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    virtual std::optional<RegistryValue> value(std::string_view name) const = 0;
    // Value names in enumeration order: creation order in the file store, the registry's own
    // order on Windows (Wine sorts them), so nothing may depend on it being creation order.
    virtual std::vector<std::string> valueNames() const = 0;
    // Throws Failure with "Failed to set data for '%s'", naming this value, when the store can
    // never hold a value of that name (one with a line break or a NUL, off Windows); the reason
    // follows on the next line.
    virtual void setValue(std::string_view name, std::uint32_t type, std::string data) = 0;
    // Makes this key's writes durable. Throws Failure with "Failed to set data for '%s'", naming
    // the first value written, when the store cannot be written (the reason, such as a full
    // disk, a read-only file or another program holding the store, follows on the next line);
    // nothing changes then. A store that cannot be read keeps its own message.
    virtual void commit() = 0;
};

// HKEY_CLASSES_ROOT, the only root the program uses.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens the key at path (backslash-separated, below HKEY_CLASSES_ROOT), creating it at commit
    // when missing. Throws Failure when the store exists but cannot be read.
    virtual std::unique_ptr<RegistryKey> openKey(std::string_view path) = 0;

    // Runs `change` on the key at `path` as the store holds it at this moment, with every other
    // writer kept out until its writes are committed in the same step. Decisions that depend on
    // what is stored ("write this only if it is missing") belong here, so that no other writer's
    // values can be overwritten between the look and the write. When `change` throws, nothing
    // is written and the exception goes on. The key handed to `change` commits on its own;
    // calling its commit() does nothing.
    virtual void update(std::string_view path, const std::function<void(RegistryKey&)>& change) = 0;

    // The file that holds the store, where there is one, so that nothing else is written over it.
    virtual std::optional<std::filesystem::path> storeFile() const { return std::nullopt; }
};

} // namespace quorvane
