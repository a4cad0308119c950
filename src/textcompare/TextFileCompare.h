// Whether two text files differ under the text comparison rules, decided the
// way a text comparison document decides it, without a document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvatine {

enum TextFileCompareResult : int {
    TEXT_FILES_NOT_TEXT = -1,  // a file's text holds a NUL character
    TEXT_FILES_EQUAL = 1,
    TEXT_FILES_DIFFERENT = 4,
    TEXT_FILES_NOT_COMPARED = 6,  // a file could not be read
};

// Loads both files in the encodings their byte-order marks or their bytes
// call for (CP_DETECT), and compares them under the rule word and line filter.
int CompareTextFiles(const std::string& left, const std::string& right, uint32_t rules,
                     const std::string& lineFilter);

// The same for two texts in memory (entries read from archives); the names
// choose nothing but the syntax.
int CompareTextBytes(const std::string& leftName, std::string_view left, const std::string& rightName,
                     std::string_view right, uint32_t rules, const std::string& lineFilter);

}  // namespace corvatine
