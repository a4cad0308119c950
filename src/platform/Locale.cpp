#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstdlib>

namespace corvatine::platform {

namespace {

struct LANGUAGE {
    const char* code;  // ISO 639-1
    uint16_t primary;
};

// Primary language identifiers of the commoner languages.
constexpr LANGUAGE kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14},
    {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C},
    {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23},
    {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"vi", 0x2A}, {"hy", 0x2B}, {"eu", 0x2D},
    {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37}, {"hi", 0x39}, {"ms", 0x3E}, {"kk", 0x3F}, {"sw", 0x41},
    {"bn", 0x45}, {"ta", 0x49}, {"te", 0x4A}, {"mr", 0x4E}, {"gl", 0x56}, {"fa", 0x29}, {"ga", 0x3C},
};

struct SUBLANGUAGE {
    const char* name;  // language_TERRITORY
    uint16_t id;
};

// Territories whose sublanguage is not 1 (the language's main territory).
constexpr SUBLANGUAGE kSublanguages[] = {
    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"es_MX", 0x080A}, {"es_ES", 0x0C0A}, {"es_AR", 0x2C0A},
    {"pt_PT", 0x0816}, {"zh_CN", 0x0804}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"nl_BE", 0x0813},
    {"it_CH", 0x0810}, {"sv_FI", 0x081D}, {"nn_NO", 0x0814},
};

}  // namespace

std::string FormatGroupedNumber(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string separator = ",";
    std::string grouping;
    // The program takes the user's locale at start (setlocale(LC_ALL, "")).
    const char* sep = ::nl_langinfo(THOUSEP);
    if (sep != nullptr && *sep != '\0') separator = sep;
    const char* groups = ::nl_langinfo(GROUPING);
    if (groups != nullptr) grouping = groups;
    if (grouping.empty() || grouping[0] <= 0 || grouping[0] == CHAR_MAX) grouping = "\3";

    // Groups from the right: each grouping byte sizes one group, the last
    // repeats, CHAR_MAX stops grouping.
    std::string out;
    size_t end = digits.size();
    size_t index = 0;
    int size = grouping[0];
    while (end > 0) {
        const size_t take = size > 0 && static_cast<size_t>(size) < end ? static_cast<size_t>(size) : end;
        out.insert(0, digits, end - take, take);
        end -= take;
        if (end > 0) out.insert(0, separator);
        if (index + 1 < grouping.size()) {
            ++index;
            if (grouping[index] == CHAR_MAX)
                size = 0;
            else if (grouping[index] > 0)
                size = grouping[index];
        }
    }
    return out;
}

uint16_t LanguageFromLocaleName(const std::string& name) {
    const std::string base = name.substr(0, name.find_first_of(".@"));
    const std::string language = base.substr(0, base.find('_'));
    for (const SUBLANGUAGE& s : kSublanguages)
        if (base == s.name) return s.id;
    for (const LANGUAGE& l : kLanguages)
        if (language == l.code) return static_cast<uint16_t>(0x0400 | l.primary);
    return 0;
}

uint16_t UserDefaultLanguage() {
    const char* name = ::setlocale(LC_MESSAGES, nullptr);
    std::string locale = name != nullptr ? name : "";
    if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) {
        const char* lang = std::getenv("LANG");
        locale = lang != nullptr ? lang : "";
    }
    const uint16_t id = LanguageFromLocaleName(locale);
    return id != 0 ? id : 0x0409;
}

}  // namespace corvatine::platform
