#include "platform/Failure.h"
#include "platform/LocaleText.h"

#include <cstdlib>
#include <string>
#include <windows.h>

namespace quorvane {

namespace {

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

// The code page a codeset name means: a number ("1252", "CP1252", "windows-1252") as it stands,
// and the names the C library gives locales elsewhere for the code pages Windows knows by number.
// Anything else, UTF-8 included, is CP_UTF8.
UINT codePageOf(const std::string& codeset) {
    const std::string name = lowered(codeset);
    if (name == "euc-jp" || name == "eucjp")
        return 20932;
    if (name == "koi8-r")
        return 20866;
    if (name == "koi8-u")
        return 21866;
    if (name.starts_with("iso-8859-") || name.starts_with("iso8859-")) {
        const int part = std::atoi(name.c_str() + name.rfind('-') + 1);
        return part >= 1 && part <= 15 ? static_cast<UINT>(28590 + part) : CP_UTF8;
    }
    if (name.starts_with("utf"))
        return CP_UTF8;
    const std::size_t digits = name.find_first_of("0123456789");
    if (digits == std::string::npos ||
        name.find_first_not_of("0123456789", digits) != std::string::npos)
        return CP_UTF8;
    return static_cast<UINT>(std::atoi(name.c_str() + digits));
}

std::wstring toWide(UINT page, std::string_view text, DWORD flags) {
    if (text.empty())
        return {};
    const int length =
        MultiByteToWideChar(page, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(page, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string fromWide(UINT page, const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(page, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(page, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                            length, nullptr, nullptr);
    return text;
}

} // namespace

// The command line reaches main() in the ANSI code page, and output goes out in the same one,
// so that what a script passes and what it reads back agree.
LocaleText LocaleText::fromEnvironment() {
    return LocaleText(std::to_string(GetACP()));
}

LocaleText LocaleText::ofArguments() {
    return LocaleText(std::to_string(CP_UTF8));
}

LocaleText::LocaleText(std::string codeset) : m_codeset(std::move(codeset)) {
    const UINT page = codePageOf(m_codeset);
    if (page == CP_UTF8 || !IsValidCodePage(page))
        m_codeset.clear();
    else
        m_codeset = std::to_string(page);
}

std::string LocaleText::toUtf8(std::string_view text) const {
    if (isUtf8())
        return std::string(text);
    const UINT page = codePageOf(m_codeset);
    const std::wstring wide = toWide(page, text, MB_ERR_INVALID_CHARS);
    if (wide.empty() && !text.empty())
        throw Failure("The text is not valid in the encoding of the locale (CP" + m_codeset + ").");
    return fromWide(CP_UTF8, wide);
}

std::string LocaleText::fromUtf8(std::string_view utf8) const {
    if (isUtf8())
        return std::string(utf8);
    // The system puts its best fit or "?" where the code page has no character.
    return fromWide(codePageOf(m_codeset), toWide(CP_UTF8, utf8, 0));
}

} // namespace quorvane
