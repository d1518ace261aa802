// The help-file reader on any bytes: it never throws, tells rich text from plain text by the
// opening "{\rtf" alone, and hands the viewer well-formed runs of valid UTF-8.

#include "FuzzSupport.h"
#include "help/RtfReader.h"

#include <exception>

using namespace quorvane;

namespace {

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || text.size() - i < length)
            return false;
        std::uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytes(data, size);
    RtfDocument document;
    try {
        document = readRtf(bytes);
    } catch (const std::exception& error) {
        fuzz::fail("the reader threw", error.what());
    }
    fuzz::require(document.richText == bytes.starts_with("{\\rtf"),
                  "rich text was told by something else than its opening", bytes.substr(0, 40));
    for (const RtfParagraph& paragraph : document.paragraphs) {
        for (std::size_t i = 0; i < paragraph.runs.size(); ++i) {
            const RtfRun& run = paragraph.runs[i];
            fuzz::require(!run.text.empty(), "an empty run");
            fuzz::require(validUtf8(run.text), "a run is not valid UTF-8", run.text);
            fuzz::require(i == 0 || paragraph.runs[i - 1].format != run.format,
                          "two neighbouring runs have the same format", run.text);
            if (!document.richText)
                fuzz::require(run.text.find_first_of("\r\n") == std::string::npos,
                              "a plain-text paragraph holds a line break", run.text);
        }
    }
    return 0;
}
