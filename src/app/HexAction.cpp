#include "app/HexAction.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "app/ConsoleMessages.h"
#include "binarycompare/HexEditOptions.h"
#include "binarycompare/HexSearch.h"
#include "platform/AtomicFile.h"
#include "platform/Output.h"

namespace corvatine {

namespace {

std::string Address(int64_t offset, const CHexEditOptions& options) {
    char text[32];
    if (options.showDecimalAddresses)
        std::snprintf(text, sizeof text, "%010lld", static_cast<long long>(offset));
    else
        std::snprintf(text, sizeof text, options.showUppercase ? "%08llX" : "%08llx",
                      static_cast<unsigned long long>(offset));
    return text;
}

void Dump(CHexEditContext& buffer, const CHexEditOptions& options, platform::COutput& out) {
    const int64_t row = options.rowSize;
    std::vector<uint8_t> bytes(static_cast<size_t>(row));
    const char* digit = options.showUppercase ? "%02X" : "%02x";
    for (int64_t offset = 0; offset < buffer.GetSize(); offset += row) {
        const int64_t count = buffer.Read(bytes.data(), row, offset);
        if (count <= 0) break;
        std::string line = Address(offset, options) + " ";
        // Missing bytes of a short last row keep their columns, so that the
        // characters stand where they stand in every row.
        for (int64_t i = 0; i < row; ++i) {
            if (i % options.groupSize == 0) line += ' ';
            char hex[4] = "  ";
            if (i < count) std::snprintf(hex, sizeof hex, digit, bytes[static_cast<size_t>(i)]);
            line += hex;
            line += ' ';
        }
        if (options.showCharacterArea) {
            line += ' ';
            for (int64_t i = 0; i < count; ++i) {
                const uint8_t c = bytes[static_cast<size_t>(i)];
                line += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
}

}  // namespace

int RunHexAction(CComponents& components, const std::string& path, const FRONTENDOPTIONS& options,
                 platform::COutput& out, platform::COutput& err) {
    const std::string format = options.format.empty() ? "hex" : options.format;
    if (format != "hex") return Trouble(err, "unknown format '" + format + "' for a binary file; use hex");
    CConsoleMessages messages(err, options.yes);
    CBinaryEditContext buffer(messages);
    if (!buffer.Open(path)) return EXIT_TROUBLE;
    const CHexEditOptions& settings = components.Hex();

    int status = EXIT_SAME;
    if (options.hasFind) {
        HEXSEARCH search;
        if (!ParseHexSearch(options.find, SEARCH_CODEPAGE, search, messages)) return EXIT_TROUBLE;
        // The search is repeated after each match; only the last, failing one
        // would report "not found", which is said once at the end.
        platform::CSilentMessages quiet;
        int found = 0;
        for (int64_t at = 0; at <= buffer.GetSize();) {
            const int64_t match = FindInBuffer(buffer, search, at, true, quiet);
            if (match < 0) break;
            if (!options.quiet) out << Address(match, settings) << "\n";
            ++found;
            at = match + 1;
        }
        if (found == 0) {
            if (!quiet.information.empty()) messages.Inform(quiet.information.back());
            status = EXIT_DIFFERENT;
        }
    } else if (!options.quiet) {
        Dump(buffer, settings, out);
    }
    out.Flush();
    if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
    return status;
}

}  // namespace corvatine
