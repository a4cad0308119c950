// Fuzz target: reading comparison files. Whatever the bytes, reading must not
// crash, must explain a refusal, and what it reads must write out in a form
// that reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "persist/ComparisonFile.h"

using corvatine::CComparisonFile;
using corvatine::CompareParamsList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CompareParamsList first;
    std::string error;
    if (!CComparisonFile::ReadComparisonsText(text, first, error)) {
        if (error.empty() || !first.empty()) std::abort();
        return 0;
    }
    for (const auto& request : first) {
        if (request->kind != corvatine::COMPARE_FOLDER && request->kind != corvatine::COMPARE_TEXT &&
            request->kind != corvatine::COMPARE_BINARY)
            std::abort();
        for (const auto& side : request->sides)
            if ((side.flags & ~corvatine::SIDE_READ_ONLY) != 0) std::abort();
    }
    const std::string written = CComparisonFile::ComparisonsText(first, -1);
    CompareParamsList second;
    if (!CComparisonFile::ReadComparisonsText(written, second, error) || second.size() != first.size())
        std::abort();
    if (CComparisonFile::ComparisonsText(second, -1) != written) std::abort();
    return 0;
}
