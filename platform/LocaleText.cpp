#include "platform/LocaleText.h"

#include "platform/Failure.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>

namespace quorvane {

namespace {

constexpr std::string_view utf8 = "UTF-8";

// One conversion descriptor, closed however the conversion ends.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : m_handle(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (opened())
            iconv_close(m_handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool opened() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `text`; `onError` gets the rest at the first sequence that does not
    // convert and returns how many bytes to skip, with what to put in their place, or 0 to stop.
    template <typename OnError> std::string convert(std::string_view text, OnError onError) {
        std::string out;
        char buffer[256];
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        while (inLeft > 0) {
            char* to = buffer;
            std::size_t toLeft = sizeof buffer;
            const std::size_t result = iconv(m_handle, &in, &inLeft, &to, &toLeft);
            out.append(buffer, static_cast<std::size_t>(to - buffer));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
                continue;
            const std::size_t skip = onError(std::string_view(in, inLeft), out);
            if (skip == 0)
                break;
            in += skip;
            inLeft -= skip;
            iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        }
        // An encoding with shift states may owe a last sequence that returns to the initial one.
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        if (iconv(m_handle, nullptr, nullptr, &to, &toLeft) != static_cast<std::size_t>(-1))
            out.append(buffer, static_cast<std::size_t>(to - buffer));
        return out;
    }

private:
    iconv_t m_handle;
};

// The length of the UTF-8 sequence that `text` starts with, at least 1.
std::size_t sequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size());
}

} // namespace

LocaleText LocaleText::fromEnvironment() {
    std::string codeset;
    if (std::setlocale(LC_ALL, ""))
        codeset = nl_langinfo(CODESET);
    // Only the name of the encoding is wanted. Everything else goes on in the C locale, so that
    // numbers and system messages read the same whatever the user's language.
    std::setlocale(LC_ALL, "C");
    if (codeset == "ANSI_X3.4-1968")
        codeset = utf8;
    return LocaleText(std::move(codeset));
}

LocaleText LocaleText::ofArguments() {
    return fromEnvironment();
}

LocaleText::LocaleText(std::string codeset) : m_codeset(std::move(codeset)) {
    if (m_codeset.empty() || m_codeset == utf8 || m_codeset == "utf8" ||
        !Converter(std::string(utf8), m_codeset).opened())
        m_codeset.clear();
}

std::string LocaleText::toUtf8(std::string_view text) const {
    if (isUtf8())
        return std::string(text);
    Converter converter(std::string(utf8), m_codeset);
    return converter.convert(text, [this](std::string_view, std::string&) -> std::size_t {
        throw Failure("The text is not valid in the encoding of the locale (" + m_codeset + ").");
    });
}

std::string LocaleText::fromUtf8(std::string_view text) const {
    if (isUtf8())
        return std::string(text);
    Converter converter(m_codeset + "//TRANSLIT", std::string(utf8));
    if (!converter.opened())
        return std::string(text);
    return converter.convert(text, [](std::string_view rest, std::string& out) {
        out += '?';
        return sequenceLength(rest);
    });
}

} // namespace quorvane
