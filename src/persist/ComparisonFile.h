// Comparison files (".cmp"): comparison requests stored as XML, so that a
// comparison can be reopened later with the same paths, read-only flags,
// rules, methods and filters. The recent comparisons list uses the same form.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"
#include "request/CompareParams.h"

namespace corvatine {

using CompareParamsList = std::vector<std::unique_ptr<CCompareParams>>;

// The version that is written; "1.0.3", "1.0.2", "1.0.1" and the oldest form
// (root "Tarnovex" or "Corvatine" with Format "1.0") are read as well.
inline constexpr const char* kComparisonFileVersion = "1.0.8";
inline constexpr const char* kComparisonFileExtension = ".cmp";

// A comparison file larger than this is refused rather than read into memory.
inline constexpr size_t kMaxComparisonFileSize = 64u << 20;

// A copy of the request as comparison files and the recent comparisons list
// keep it: with absolute paths, so that it opens from any folder, and without
// the code pages a run asked for.
std::unique_ptr<CCompareParams> StoredCopy(const CCompareParams& request);

// Reads and writes the format; holds no state between calls.
class CComparisonFile {
public:
    // Appends one new request per readable comparison in the file. False, with
    // error naming the file and the reason, when the file cannot be read, is
    // not XML, or is of no known version. A record of a type not known, or
    // whose values cannot be read, is skipped; the others stay. True also when
    // no record was read.
    static bool ReadComparisons(const std::string& path, CompareParamsList& list, std::string& error);

    // ReadComparisons on the text of a file; error does not name a file.
    static bool ReadComparisonsText(std::string_view text, CompareParamsList& list, std::string& error);

    // Writes the first limit requests (all for -1), skipping empty entries,
    // and replaces the file atomically, synced to the disk unless durability
    // says otherwise. False, with error set, when the file cannot be written;
    // it is then left as it was.
    static bool WriteComparisons(const std::string& path, const CompareParamsList& list, int limit,
                                 std::string& error,
                                 platform::Durability durability = platform::Durability::Synced);

    // Replaces the file with text made by ComparisonsText, as WriteComparisons does.
    static bool WriteComparisonsText(const std::string& path, std::string_view text, std::string& error,
                                     platform::Durability durability = platform::Durability::Synced);

    // The text that WriteComparisons writes.
    static std::string ComparisonsText(const CompareParamsList& list, int limit);
};

}  // namespace corvatine
