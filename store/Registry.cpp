#include "store/Registry.h"

namespace quorvane {

std::string dwordData(std::uint32_t number) {
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>((number >> (8 * i)) & 0xff);
    return data;
}

std::optional<std::uint32_t> dwordNumber(std::string_view data) {
    if (data.size() != 4)
        return std::nullopt;
    std::uint32_t number = 0;
    for (std::size_t i = 4; i-- > 0;)
        number = (number << 8) | static_cast<unsigned char>(data[i]);
    return number;
}

} // namespace quorvane
