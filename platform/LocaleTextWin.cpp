#include "platform/LocaleText.h"

#include "platform/Failure.h"

#include <string>
#include <windows.h>

namespace quorvane {

namespace {

// "1252", "CP1252" or "windows-1252" name code page 1252; none of them names UTF-8 (65001).
UINT codePageOf(const std::string& codeset) {
    const std::size_t digits = codeset.find_first_of("0123456789");
    if (digits == std::string::npos)
        return CP_UTF8;
    UINT page = 0;
    for (std::size_t i = digits; i < codeset.size() && codeset[i] >= '0' && codeset[i] <= '9'; ++i)
        page = page * 10 + static_cast<UINT>(codeset[i] - '0');
    return page;
}

std::wstring toWide(UINT page, std::string_view text, DWORD flags) {
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(page, flags, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
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
        throw Failure("The text is not valid in the encoding of the locale (CP" + m_codeset +
                      ").");
    return fromWide(CP_UTF8, wide);
}

std::string LocaleText::fromUtf8(std::string_view utf8) const {
    if (isUtf8())
        return std::string(utf8);
    // The system puts its best fit or "?" where the code page has no character.
    return fromWide(codePageOf(m_codeset), toWide(CP_UTF8, utf8, 0));
}

} // namespace quorvane
