#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Text as the command line and the terminal carry it: in the encoding of the user's locale.
class LocaleText {
public:
    // The locale the environment chooses. The C locale counts as UTF-8, as modern tools take it:
    // a script run with no locale set still means UTF-8 by its arguments.
    static LocaleText fromEnvironment();
    // `codeset` as the system names it ("UTF-8", "ISO-8859-15"...). One that the converter does
    // not know is taken as UTF-8.
    // What programArguments hands over: UTF-8 on Windows, the locale's encoding elsewhere.
    static LocaleText ofArguments();
    explicit LocaleText(std::string codeset);

    bool isUtf8() const { return m_codeset.empty(); }

    // Throws a Failure when `text` is not valid in the locale's encoding. In a UTF-8 locale the
    // bytes pass as they are, for whoever stores them to check.
    std::string toUtf8(std::string_view text) const;
    // Never fails: a character the locale has no form for is transliterated, or shown as "?".
    // Only meant for what is shown, never for what is stored.
    std::string fromUtf8(std::string_view utf8) const;

private:
    std::string m_codeset; // empty for UTF-8
};

} // namespace quorvane
