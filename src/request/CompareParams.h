// Comparison requests: the two sides of one comparison and the settings under
// which it runs. Requests are values; whoever builds one owns it, and each
// comparison document keeps its own copy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "request/FilterRecords.h"

namespace corvatine {

enum CompareKind : int32_t {
    COMPARE_NONE = 0,
    COMPARE_FOLDER = 10,
    COMPARE_TEXT = 21,
    COMPARE_BINARY = 22,
};

// Bit of COMPARESIDE::flags; every other bit is 0.
constexpr uint32_t SIDE_READ_ONLY = 0x1;

// A text side's code page when none was asked for: its file's bytes decide.
constexpr int32_t CODEPAGE_DETECT = -1;

// One piece of a request's command line: an option word ("-c", "/t:t"), an
// option and its value ("/r:" and "ias|icc"), or a path (no option). A
// quoted value stands in double quotes in a command line.
struct COMMANDPART {
    std::string option;
    std::string value;
    bool quoted;
};

struct COMPARESIDE {
    std::string path;
    uint32_t flags = 0;
};

class CCompareParams {
public:
    CCompareParams() = default;
    virtual ~CCompareParams() = default;
    CCompareParams(const CCompareParams&) = default;
    CCompareParams& operator=(const CCompareParams&) = default;

    int32_t kind = COMPARE_NONE;
    COMPARESIDE sides[2];          // left, right
    int64_t lastComparedTime = 0;  // seconds since 1970; set by the recent comparisons list

    // "left : right" of the file names; an empty path shows as "Untitled".
    virtual std::string GetTitle() const;
    // Exchanges the paths and flags of the two sides; kind-specific fields stay.
    virtual void SwapSides();
    // Left equals left and right equals right, or with allowSwapped also the
    // crossed pairing; paths compare as file-system paths.
    virtual bool SamePaths(const CCompareParams& other, bool allowSwapped) const;
    // Copies both sides and, from a request of the same kind, its settings;
    // kind and lastComparedTime stay.
    virtual void CopyFrom(const CCompareParams& other);
    // Same kind, same flags, same paths as file-system paths, and equal
    // kind-specific settings.
    virtual bool Equals(const CCompareParams& other) const;
    // The command line that reproduces the request; empty for the base kind.
    virtual std::string GetCommandLine(bool fullPath, bool abbreviated) const;
    // The same as the arguments that follow the program's name: values
    // without the quotes a command line needs.
    std::vector<std::string> GetArguments(bool abbreviated) const;
    virtual std::unique_ptr<CCompareParams> Clone() const;

protected:
    explicit CCompareParams(int32_t requestKind) : kind(requestKind) {}
    // The pieces of the command line after the program's name; none for the
    // base kind.
    virtual std::vector<COMMANDPART> CommandParts(bool abbreviated) const;
    // The action and kind, the paths and the read-only group.
    std::vector<COMMANDPART> StartParts(bool abbreviated) const;
};

class CTextCompareParams : public CCompareParams {
public:
    // The default rules (kDefaultTextRules), or those of the settings the
    // caller hands over.
    CTextCompareParams();
    explicit CTextCompareParams(uint32_t defaultRules);

    uint32_t rules;
    std::string lineFilter;  // the global line filter is not copied
    // The code page each side's file is read in when it has no byte-order
    // mark (left, right); CODEPAGE_DETECT lets its bytes decide. Asked for by
    // this run alone (--encoding, or reopening with another encoding):
    // comparison files and the recent comparisons list do not keep it.
    int32_t codePages[2] = {CODEPAGE_DETECT, CODEPAGE_DETECT};

    // Exchanges the code pages with the sides.
    void SwapSides() override;
    void CopyFrom(const CCompareParams& other) override;
    bool Equals(const CCompareParams& other) const override;
    std::unique_ptr<CCompareParams> Clone() const override;

protected:
    std::vector<COMMANDPART> CommandParts(bool abbreviated) const override;
};

class CBinaryCompareParams : public CCompareParams {
public:
    CBinaryCompareParams() : CCompareParams(COMPARE_BINARY) {}

    std::unique_ptr<CCompareParams> Clone() const override;

protected:
    std::vector<COMMANDPART> CommandParts(bool abbreviated) const override;
};

class CFolderCompareParams : public CCompareParams {
public:
    // The default methods (kDefaultCompareMethods), or those of the settings
    // the caller hands over.
    CFolderCompareParams();
    explicit CFolderCompareParams(uint32_t defaultMethods);

    uint32_t methods;
    uint32_t options = 0;  // FOLDER_OPTION_AUTO_SCAN
    CComboFilters filters;

    void CopyFrom(const CCompareParams& other) override;
    bool Equals(const CCompareParams& other) const override;
    std::unique_ptr<CCompareParams> Clone() const override;

protected:
    std::vector<COMMANDPART> CommandParts(bool abbreviated) const override;
};

// What new text and folder requests start from: the rules and methods of
// the text and folder comparison settings of the run, which the caller hands
// over (the settings live in the comparison libraries above this one).
struct RequestDefaults {
    uint32_t textRules;
    uint32_t methods;
};

// A new request of the given kind with the built-in defaults, or with the
// given ones; the base kind for any kind that is not a comparison kind.
std::unique_ptr<CCompareParams> CreateCompareParams(int32_t kind);
std::unique_ptr<CCompareParams> CreateCompareParams(int32_t kind, const RequestDefaults& defaults);

}  // namespace corvatine
