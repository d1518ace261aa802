#pragma once

#include "store/Registry.h"

namespace quorvane {

// A view of a store that only reads. Opening a key takes the store's snapshot and never its lock,
// and closing one commits nothing, not even the creation of a missing key: a reader that lives
// inside another program (the file manager's extension) must never wait for a writer nor change
// what it reads. Every write is refused with the store's own message.
class ReadOnlyRegistry : public Registry {
public:
    explicit ReadOnlyRegistry(Registry& store) : m_store(store) {}

    std::unique_ptr<RegistryKey> openKey(std::string_view path) override;
    void update(std::string_view path, const std::function<void(RegistryKey&)>& change) override;
    std::optional<std::filesystem::path> storeFile() const override { return m_store.storeFile(); }

private:
    Registry& m_store;
};

} // namespace quorvane
