#include "persist/ComparisonFile.h"

#include <tinyxml2.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"
#include "platform/Path.h"
#include "request/CompareMethods.h"
#include "request/TextRuleWord.h"

namespace corvatine {

namespace {

using tinyxml2::XMLElement;

struct NAMEDBIT {
    const char* name;
    uint32_t bit;
};

// The method flags in the order they are written.
constexpr NAMEDBIT kMethodFlags[] = {
    {"LMTime", METHOD_TIME},     {"Size", METHOD_SIZE},
    {"Version", METHOD_VERSION}, {"Attributes", METHOD_ATTRIBUTES},
    {"CRC32", METHOD_CRC},       {"Binary", METHOD_BINARY},
    {"Text", METHOD_TEXT},       {"Type", METHOD_TYPE},
};

// The rule flags in the order they are written. Versions before "1.0.8" name
// the last one "IgnoreRegExp".
constexpr NAMEDBIT kRuleFlags[] = {
    {"IgnoreAllSpace", RULE_IGNORE_ALL_SPACE},
    {"IgnoreSpaceDifferences", RULE_IGNORE_SPACE_DIFFERENCES},
    {"IgnoreLeadingSpace", RULE_IGNORE_LEADING_SPACE},
    {"IgnoreTrailingSpace", RULE_IGNORE_TRAILING_SPACE},
    {"IgnoreTabExpansion", RULE_IGNORE_TAB_EXPANSION},
    {"IgnoreBlankLines", RULE_IGNORE_BLANK_LINES},
    {"IgnoreCase", RULE_IGNORE_CASE},
    {"IgnoreEOL", RULE_IGNORE_LINE_ENDINGS},
    {"IgnoreComments", RULE_IGNORE_COMMENTS},
    {"IgnoreLinesMatchingFilter", RULE_IGNORE_LINES_MATCHING_FILTER},
};
constexpr const char* kOldLineFilterRule = "IgnoreRegExp";

constexpr NAMEDBIT kTypeNames[] = {
    {"Text", FILTER_TYPE_TEXT},
    {"Binary", FILTER_TYPE_BINARY},
    {"Directory", FILTER_TYPE_DIRECTORY},
};

constexpr uint32_t kFilterAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr uint32_t kFilterTypes = FILTER_TYPE_TEXT | FILTER_TYPE_BINARY | FILTER_TYPE_DIRECTORY;

constexpr const char* kTimeFormat = "%Y-%m-%d %H:%M:%S";

// ---- writing ----

// The printer writes attribute values itself so that tabs and line breaks
// survive a round trip as character references (a parser folds a raw
// carriage return into a line feed); every other byte goes out unchanged.
class CComparisonPrinter : public tinyxml2::XMLPrinter {
public:
    CComparisonPrinter() : XMLPrinter(nullptr, false, 0) {}

    void Attribute(const char* name, std::string_view value) {
        Putc(' ');
        Write(name);
        Write("=\"");
        size_t start = 0;
        for (size_t i = 0; i < value.size(); ++i) {
            const char* reference = nullptr;
            switch (value[i]) {
                case '&': reference = "&amp;"; break;
                case '<': reference = "&lt;"; break;
                case '>': reference = "&gt;"; break;
                case '"': reference = "&quot;"; break;
                case '\t': reference = "&#9;"; break;
                case '\n': reference = "&#10;"; break;
                case '\r': reference = "&#13;"; break;
                default: continue;
            }
            Write(value.data() + start, i - start);
            Write(reference);
            start = i + 1;
        }
        Write(value.data() + start, value.size() - start);
        Putc('"');
    }
    void Flag(const char* name, bool on) { Attribute(name, on ? "1" : "0"); }
};

std::string SizeText(uint64_t size) { return size == 0 ? std::string() : FilterSizeToText(size); }

std::string TypesText(uint32_t types) {
    std::string text;
    for (const NAMEDBIT& t : kTypeNames) {
        if ((types & t.bit) == 0) continue;
        if (!text.empty()) text += '|';
        text += t.name;
    }
    return text;
}

void WriteNameFilter(CComparisonPrinter& p, const std::string& include, const std::string& exclude,
                     uint32_t matchCase) {
    p.OpenElement("Name");
    p.Attribute("Include", include);
    p.Attribute("Exclude", exclude);
    p.Flag("MatchCase", matchCase != 0);
    p.CloseElement();
}

void WriteFolderParts(CComparisonPrinter& p, const CFolderCompareParams& folder) {
    p.OpenElement("Methods");
    for (const NAMEDBIT& m : kMethodFlags) p.Flag(m.name, (folder.methods & m.bit) != 0);
    p.CloseElement();

    const CFileFilters& files = folder.filters.fileFilters;
    const CFolderFilters& folders = folder.filters.folderFilters;
    p.OpenElement("Filters");
    p.OpenElement("Files");
    WriteNameFilter(p, files.nameInclude, files.nameExclude, files.matchCase);
    p.OpenElement("Time");
    p.Attribute("From", FilterTimeToText(files.timeFrom));
    p.Attribute("To", FilterTimeToText(files.timeTo));
    p.CloseElement();
    p.OpenElement("Size");
    p.Attribute("Min", SizeText(files.sizeMin));
    p.Attribute("Max", SizeText(files.sizeMax));
    p.CloseElement();
    p.OpenElement("Attributes");
    p.Attribute("Exclude", FilterAttributesToText(files.attributesExclude));
    p.CloseElement();
    p.OpenElement("Type");
    p.Attribute("Exclude", TypesText(files.typeExclude));
    p.CloseElement();
    p.CloseElement();  // Files
    p.OpenElement("Folders");
    WriteNameFilter(p, folders.nameInclude, folders.nameExclude, folders.matchCase);
    p.OpenElement("Attributes");
    p.Attribute("Exclude", FilterAttributesToText(folders.attributesExclude));
    p.CloseElement();
    p.CloseElement();  // Folders
    p.CloseElement();  // Filters

    p.OpenElement("Options");
    p.Flag("AutoScanSubfolders", (folder.options & FOLDER_OPTION_AUTO_SCAN) != 0);
    p.CloseElement();
}

void WriteTextParts(CComparisonPrinter& p, const CTextCompareParams& text) {
    p.OpenElement("Rules");
    for (const NAMEDBIT& r : kRuleFlags) p.Flag(r.name, (text.rules & r.bit) != 0);
    p.CloseElement();
    if (text.lineFilter.empty()) return;
    p.OpenElement("Filters");
    p.OpenElement("LineFilter");
    p.Attribute("RegExp", text.lineFilter);
    p.CloseElement();
    p.CloseElement();
}

bool WriteRecord(CComparisonPrinter& p, const CCompareParams& request) {
    const char* type = nullptr;
    switch (request.kind) {
        case COMPARE_FOLDER: type = "Folder"; break;
        case COMPARE_TEXT: type = "Text"; break;
        case COMPARE_BINARY: type = "Binary"; break;
        default: return false;  // the base kind is no comparison
    }
    p.OpenElement("Comparison");
    p.Attribute("Type", type);
    p.Attribute("LastComparedTime", request.lastComparedTime == 0
                                        ? std::string()
                                        : platform::FormatLocalTime(request.lastComparedTime, kTimeFormat));
    p.OpenElement("Objects");
    for (const COMPARESIDE& side : request.sides) {
        p.OpenElement("Object");
        p.Attribute("Path", side.path);
        p.Flag("ReadOnly", (side.flags & SIDE_READ_ONLY) != 0);
        p.CloseElement();
    }
    p.CloseElement();
    if (const auto* folder = dynamic_cast<const CFolderCompareParams*>(&request))
        WriteFolderParts(p, *folder);
    else if (const auto* text = dynamic_cast<const CTextCompareParams*>(&request))
        WriteTextParts(p, *text);
    p.CloseElement();
    return true;
}

// ---- reading ----

enum class Format { Oldest, V101, V102, V103, V108 };

// A decimal integer with an optional sign and nothing else.
bool ParseInteger(const char* text, int64_t& value) {
    if (text == nullptr) return false;
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    uint64_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        n = n * 10 + static_cast<uint64_t>(*p - '0');
        if (n > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    }
    if (*p != '\0') return false;
    value = negative ? -static_cast<int64_t>(n) : static_cast<int64_t>(n);
    return true;
}

const char* AttributeOf(const XMLElement* element, const char* name) {
    return element == nullptr ? nullptr : element->Attribute(name);
}

std::string TextOf(const XMLElement* element, const char* name) {
    const char* value = AttributeOf(element, name);
    return value == nullptr ? std::string() : std::string(value);
}

// A boolean is read as an integer: any non-zero value is true; a missing or
// non-numeric value is false.
bool IsTrue(const char* value) {
    if (value == nullptr) return false;
    const char* p = value;
    if (*p == '-' || *p == '+') ++p;
    bool digits = false, nonZero = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        digits = true;
        nonZero = nonZero || *p != '0';
    }
    return digits && nonZero;
}

bool FlagOf(const XMLElement* element, const char* name) { return IsTrue(AttributeOf(element, name)); }

// A numeric word of the older formats: a 32-bit value, written signed or
// unsigned. Absent is 0; anything that is not such a number fails.
bool WordOf(const XMLElement* element, const char* name, uint32_t& word) {
    const char* value = AttributeOf(element, name);
    if (value == nullptr) {
        word = 0;
        return true;
    }
    int64_t n = 0;
    if (!ParseInteger(value, n) || n < std::numeric_limits<int32_t>::min() ||
        n > std::numeric_limits<uint32_t>::max())
        return false;
    word = static_cast<uint32_t>(n);
    return true;
}

// 9999-12-30 00:00 UTC: in every time zone a local date of the year 9999,
// which the current format can write and read back.
constexpr int64_t kLatestTime = 253402128000;

// Seconds since 1970 of the older formats; absent, negative, unreadable or
// later than the year 9999 values are no time.
int64_t SecondsOf(const XMLElement* element, const char* name) {
    int64_t n = 0;
    if (!ParseInteger(AttributeOf(element, name), n) || n < 0 || n > kLatestTime) return 0;
    // A time whose local day has no midnight after 1970 began (the first day,
    // east of Greenwich) could not be written as a date and read back.
    if (FilterTimeFromText(FilterTimeToText(n)) == 0) return 0;
    return n;
}

// "%Y-%m-%d %H:%M:%S" in local time; 0 (none) when a part is missing or is
// not a real date and time.
int64_t ParseLastComparedTime(const char* text, const platform::CLocalTimes& times) {
    if (text == nullptr || *text == '\0') return 0;
    const std::string_view value(text);
    const size_t blank = value.find(' ');
    if (blank == std::string_view::npos) return 0;
    int date[3], time[3];
    if (!platform::SplitDecimalParts(value.substr(0, blank), '-', date, 3) ||
        !platform::SplitDecimalParts(value.substr(blank + 1), ':', time, 3))
        return 0;
    int64_t seconds = 0;
    return times.DateTime(date[0], date[1], date[2], time[0], time[1], time[2], seconds) ? seconds : 0;
}

uint32_t TypesFromText(const std::string& text) {
    uint32_t types = 0;
    for (const NAMEDBIT& t : kTypeNames)
        if (text.find(t.name) != std::string::npos) types |= t.bit;
    return types;
}

// The flags an element holds, each named by an attribute. The attributes are
// read once, in their order; a file written here has them in the table's
// order, so each is looked for first where the previous one was found.
uint32_t FlagsOf(const XMLElement* element, const NAMEDBIT* flags, size_t count, const char* lastName) {
    if (element == nullptr || count == 0) return 0;
    uint32_t word = 0;
    size_t next = 0;
    for (const tinyxml2::XMLAttribute* attribute = element->FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        const char* name = attribute->Name();
        for (size_t tried = 0; tried < count; ++tried) {
            const size_t i = (next + tried) % count;
            const char* flag = lastName != nullptr && i + 1 == count ? lastName : flags[i].name;
            if (std::strcmp(name, flag) != 0) continue;
            if (IsTrue(attribute->Value())) word |= flags[i].bit;
            next = i + 1;
            break;
        }
    }
    return word;
}

// The names of the filter elements, which changed between versions.
struct FILTERNAMES {
    const char* fileName;
    const char* fileTime;
    const char* fileSize;
    const char* fileAttributes;
    const char* fileType;
    const char* folderName;
    const char* folderAttributes;
};

constexpr FILTERNAMES kCurrentFilterNames = {"Name", "Time", "Size",      "Attributes",
                                             "Type", "Name", "Attributes"};
constexpr FILTERNAMES kFilterNames103 = {"FileName", "FileTime",   "FileSize",        "FileAttributes",
                                         "FileType", "FolderName", "FolderAttributes"};
constexpr FILTERNAMES kFilterNames102 = {"Name", "Time", "Size", "Attribute", "Type", "Name", "Attribute"};

class CRecordReader {
public:
    explicit CRecordReader(Format format) : m_format(format) {}

    // A new request from one record element; null when the record is skipped.
    std::unique_ptr<CCompareParams> Read(const XMLElement& record) const {
        const int32_t kind = KindOf(TextOf(&record, "Type"));
        if (kind == COMPARE_NONE) return nullptr;
        std::unique_ptr<CCompareParams> request = CreateCompareParams(kind);
        request->lastComparedTime = ParseLastComparedTime(record.Attribute("LastComparedTime"), m_times);

        // Without Objects, or with fewer than two Object elements, the sides
        // not given keep an empty path, as every absent element leaves its
        // part empty; the record stays, and opening it says what is missing.
        const XMLElement* objects = record.FirstChildElement("Objects");
        int side = 0;
        for (const XMLElement* object = objects ? objects->FirstChildElement("Object") : nullptr;
             object != nullptr && side < 2; object = object->NextSiblingElement("Object"), ++side) {
            request->sides[side].path = TextOf(object, "Path");
            request->sides[side].flags = FlagOf(object, "ReadOnly") ? SIDE_READ_ONLY : 0;
        }

        bool read = true;
        if (auto* folder = dynamic_cast<CFolderCompareParams*>(request.get()))
            read = ReadFolder(record, *folder);
        else if (auto* text = dynamic_cast<CTextCompareParams*>(request.get()))
            read = ReadText(record, *text);
        if (!read) return nullptr;
        return request;
    }

private:
    bool Numeric() const { return m_format == Format::V101 || m_format == Format::Oldest; }

    int32_t KindOf(const std::string& type) const {
        if (m_format == Format::Oldest) {
            if (type == "Folders") return COMPARE_FOLDER;
            if (type == "Projects" || type == "TextFiles") return COMPARE_TEXT;
            if (type == "BinaryFiles") return COMPARE_BINARY;
            return COMPARE_NONE;
        }
        if (type == "Folder") return COMPARE_FOLDER;
        if (type == "Text" || type == "Project") return COMPARE_TEXT;
        if (type == "Binary") return COMPARE_BINARY;
        return COMPARE_NONE;
    }

    bool ReadFolder(const XMLElement& record, CFolderCompareParams& folder) const {
        folder.methods = 0;
        folder.options = 0;
        folder.filters.Reset();
        if (Numeric()) {
            uint32_t methods = 0, options = 0;
            if (!WordOf(&record, "Methods", methods) || !WordOf(&record, "Options", options)) return false;
            folder.methods = methods & kAllCompareMethods;
            folder.options = options & FOLDER_OPTION_AUTO_SCAN;
        } else {
            folder.methods =
                FlagsOf(record.FirstChildElement("Methods"), kMethodFlags, std::size(kMethodFlags), nullptr);
            // "IgnoreSubfolders" and "IgnoreSubfolderDifferences" of the older
            // versions are no longer options.
            if (FlagOf(record.FirstChildElement("Options"), "AutoScanSubfolders"))
                folder.options = FOLDER_OPTION_AUTO_SCAN;
        }

        const XMLElement* filters = record.FirstChildElement("Filters");
        if (filters == nullptr) return true;
        if (m_format == Format::Oldest) {
            CFileFilters& files = folder.filters.fileFilters;
            if (const char* include = filters->Attribute("Include")) files.nameInclude = include;
            if (const char* exclude = filters->Attribute("Exclude")) files.nameExclude = exclude;
            files.matchCase = FlagOf(filters, "MatchCase") ? 1 : 0;
            return true;
        }
        const FILTERNAMES& names = m_format == Format::V108   ? kCurrentFilterNames
                                   : m_format == Format::V103 ? kFilterNames103
                                                              : kFilterNames102;
        // The file and folder sets are grouped under Files and Folders, whose
        // absence leaves that set at its default; the names of "1.0.3" are
        // distinct enough to stand directly in Filters.
        const XMLElement* files = filters->FirstChildElement("Files");
        const XMLElement* folders = filters->FirstChildElement("Folders");
        if (m_format == Format::V103) {
            if (files == nullptr) files = filters;
            if (folders == nullptr) folders = filters;
        }
        if (files != nullptr) ReadFileFilters(*files, names, folder.filters.fileFilters);
        if (folders != nullptr) ReadFolderFilters(*folders, names, folder.filters.folderFilters);
        return true;
    }

    void ReadNameFilter(const XMLElement* name, std::string& include, std::string& exclude,
                        uint32_t& matchCase) const {
        if (name == nullptr) return;
        include = TextOf(name, "Include");
        exclude = TextOf(name, "Exclude");
        matchCase = FlagOf(name, "MatchCase") ? 1 : 0;
    }

    uint32_t AttributesOf(const XMLElement* element) const {
        if (!Numeric()) return FilterAttributesFromText(TextOf(element, "Exclude")) & kFilterAttributes;
        uint32_t word = 0;
        return WordOf(element, "Exclude", word) ? word & kFilterAttributes : 0;
    }

    void ReadFileFilters(const XMLElement& group, const FILTERNAMES& names, CFileFilters& files) const {
        ReadNameFilter(group.FirstChildElement(names.fileName), files.nameInclude, files.nameExclude,
                       files.matchCase);
        if (const XMLElement* time = group.FirstChildElement(names.fileTime)) {
            files.timeFrom = Numeric() ? SecondsOf(time, "From") : FilterTimeFromText(TextOf(time, "From"));
            files.timeTo = Numeric() ? SecondsOf(time, "To") : FilterTimeFromText(TextOf(time, "To"));
        }
        if (const XMLElement* size = group.FirstChildElement(names.fileSize)) {
            files.sizeMin = FilterSizeFromText(TextOf(size, "Min"));
            files.sizeMax = FilterSizeFromText(TextOf(size, "Max"));
        }
        if (const XMLElement* attributes = group.FirstChildElement(names.fileAttributes))
            files.attributesExclude = AttributesOf(attributes);
        if (const XMLElement* type = group.FirstChildElement(names.fileType)) {
            uint32_t word = 0;
            if (!Numeric())
                files.typeExclude = TypesFromText(TextOf(type, "Exclude"));
            else if (WordOf(type, "Exclude", word))
                files.typeExclude = word & kFilterTypes;
        }
    }

    void ReadFolderFilters(const XMLElement& group, const FILTERNAMES& names, CFolderFilters& folders) const {
        ReadNameFilter(group.FirstChildElement(names.folderName), folders.nameInclude, folders.nameExclude,
                       folders.matchCase);
        if (const XMLElement* attributes = group.FirstChildElement(names.folderAttributes))
            folders.attributesExclude = AttributesOf(attributes);
    }

    bool ReadText(const XMLElement& record, CTextCompareParams& text) const {
        text.rules = 0;
        text.lineFilter.clear();
        switch (m_format) {
            case Format::V108: {
                text.rules =
                    FlagsOf(record.FirstChildElement("Rules"), kRuleFlags, std::size(kRuleFlags), nullptr);
                const XMLElement* filters = record.FirstChildElement("Filters");
                const XMLElement* lineFilter = filters ? filters->FirstChildElement("LineFilter") : nullptr;
                text.lineFilter = TextOf(lineFilter, "RegExp");
                return true;
            }
            case Format::V103:
                text.rules = FlagsOf(record.FirstChildElement("Methods"), kRuleFlags, std::size(kRuleFlags),
                                     kOldLineFilterRule);
                text.lineFilter = TextOf(record.FirstChildElement("Filters"), "RegExp");
                return true;
            case Format::V102:
                text.rules = FlagsOf(record.FirstChildElement("Methods"), kRuleFlags, std::size(kRuleFlags),
                                     kOldLineFilterRule);
                text.lineFilter = RegExpElement(record);
                return true;
            case Format::V101:
            case Format::Oldest: {
                uint32_t rules = 0;
                if (!WordOf(&record, "Options", rules)) return false;
                text.rules = rules & kAllTextRules;
                if (m_format == Format::V101) text.lineFilter = RegExpElement(record);
                return true;
            }
        }
        return true;
    }

    // The line filter of "1.0.2" and "1.0.1": a RegExp element holding the
    // expression, beside the rules or inside Filters.
    static std::string RegExpElement(const XMLElement& record) {
        const XMLElement* regExp = record.FirstChildElement("RegExp");
        if (regExp == nullptr)
            if (const XMLElement* filters = record.FirstChildElement("Filters"))
                regExp = filters->FirstChildElement("RegExp");
        if (regExp == nullptr) return std::string();
        if (const char* text = regExp->GetText()) return text;
        return TextOf(regExp, "RegExp");
    }

    Format m_format;
    platform::CLocalTimes m_times;  // the zone read once for all records
};

}  // namespace

std::unique_ptr<CCompareParams> StoredCopy(const CCompareParams& request) {
    std::unique_ptr<CCompareParams> copy = request.Clone();
    for (COMPARESIDE& side : copy->sides) side.path = platform::AbsolutePath(side.path);
    // The code pages a run asked for are not kept: a stored copy is what a
    // comparison file holds.
    if (auto* text = dynamic_cast<CTextCompareParams*>(copy.get()))
        text->codePages[0] = text->codePages[1] = CODEPAGE_DETECT;
    return copy;
}

bool CComparisonFile::ReadComparisonsText(std::string_view text, CompareParamsList& list,
                                          std::string& error) {
    tinyxml2::XMLDocument document;
    if (const tinyxml2::XMLError result = document.Parse(text.data(), text.size());
        result != tinyxml2::XML_SUCCESS) {
        error = result == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED
                    ? "not a comparison file: elements nested more than " +
                          std::to_string(TINYXML2_MAX_ELEMENT_DEPTH) + " deep"
                : result == tinyxml2::XML_ERROR_EMPTY_DOCUMENT
                    ? "not a comparison file: it is empty"
                    : std::string("not a comparison file: not well-formed XML (") +
                          tinyxml2::XMLDocument::ErrorIDToName(result) + " at line " +
                          std::to_string(document.ErrorLineNum()) + ")";
        return false;
    }
    Format format = Format::V108;
    const char* recordName = "Comparison";
    const XMLElement* root = document.FirstChildElement("Comparisons");
    if (root != nullptr) {
        const char* version = root->Attribute("Version");
        if (version == nullptr) {
            error = "not a comparison file: it names no version";
            return false;
        }
        if (std::strcmp(version, "1.0.8") == 0)
            format = Format::V108;
        else if (std::strcmp(version, "1.0.3") == 0)
            format = Format::V103;
        else if (std::strcmp(version, "1.0.2") == 0)
            format = Format::V102;
        else if (std::strcmp(version, "1.0.1") == 0)
            format = Format::V101;
        else {
            error = std::string("comparison file version '") + version +
                    "' is not known (known: 1.0.8, 1.0.3, 1.0.2, 1.0.1, 1.0)";
            return false;
        }
    } else {
        for (const char* name : {"Tarnovex", "Corvatine"}) {
            const XMLElement* element = document.FirstChildElement(name);
            if (element == nullptr) continue;
            const char* version = element->Attribute("Format");
            if (version != nullptr && std::strcmp(version, "1.0") == 0) {
                root = element;
                break;
            }
        }
        if (root == nullptr) {
            error = "not a comparison file: no Comparisons element of a known version";
            return false;
        }
        format = Format::Oldest;
        recordName = "Project";
    }

    const CRecordReader reader(format);
    for (const XMLElement* record = root->FirstChildElement(recordName); record != nullptr;
         record = record->NextSiblingElement(recordName)) {
        if (std::unique_ptr<CCompareParams> request = reader.Read(*record))
            list.push_back(std::move(request));
    }
    return true;
}

bool CComparisonFile::ReadComparisons(const std::string& path, CompareParamsList& list, std::string& error) {
    std::string text;
    bool missing = false;
    if (!platform::ReadWholeFile(path, text, missing, error, kMaxComparisonFileSize)) return false;
    std::string reason;
    if (!ReadComparisonsText(text, list, reason)) {
        error = "'" + path + "': " + reason;
        return false;
    }
    return true;
}

std::string CComparisonFile::ComparisonsText(const CompareParamsList& list, int limit) {
    CComparisonPrinter printer;
    printer.PushDeclaration("xml version=\"1.0\" encoding=\"UTF-8\"");
    printer.OpenElement("Comparisons");
    printer.Attribute("Version", kComparisonFileVersion);
    int written = 0;
    for (const std::unique_ptr<CCompareParams>& request : list) {
        if (limit >= 0 && written >= limit) break;
        if (request != nullptr && WriteRecord(printer, *request)) ++written;
    }
    printer.CloseElement();
    return std::string(printer.CStr(), printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0);
}

bool CComparisonFile::WriteComparisons(const std::string& path, const CompareParamsList& list, int limit,
                                       std::string& error, platform::Durability durability) {
    return WriteComparisonsText(path, ComparisonsText(list, limit), error, durability);
}

bool CComparisonFile::WriteComparisonsText(const std::string& path, std::string_view text, std::string& error,
                                           platform::Durability durability) {
    std::string reason;
    if (platform::WriteFileAtomically(path, text, 0644, reason, durability)) return true;
    error = "cannot write '" + path + "': " + reason;
    return false;
}

}  // namespace corvatine
