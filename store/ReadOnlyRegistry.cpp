#include "store/ReadOnlyRegistry.h"

#include "platform/Failure.h"

namespace quorvane {

namespace {

constexpr std::string_view readOnlyReason = "The settings are open for reading only.";

class ReadOnlyKey : public RegistryKey {
public:
    explicit ReadOnlyKey(std::unique_ptr<RegistryKey> key) : m_key(std::move(key)) {}

    std::optional<RegistryValue> value(std::string_view name) const override {
        return m_key->value(name);
    }
    std::vector<std::string> valueNames() const override { return m_key->valueNames(); }
    void setValue(std::string_view name, std::uint32_t, std::string) override {
        throw Failure(formatMessage(messages::failedToSetData, name) + "\n" +
                      std::string(readOnlyReason));
    }
    void commit() override {}

private:
    std::unique_ptr<RegistryKey> m_key;
};

} // namespace

std::unique_ptr<RegistryKey> ReadOnlyRegistry::openKey(std::string_view path) {
    return std::make_unique<ReadOnlyKey>(m_store.openKey(path));
}

void ReadOnlyRegistry::update(std::string_view, const std::function<void(RegistryKey&)>&) {
    throw Failure(std::string(readOnlyReason));
}

} // namespace quorvane
