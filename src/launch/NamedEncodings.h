// What "--encoding" asks of the documents it opens, decided once for both
// faces: the code pages of a text comparison's sides, and the encodings a
// file opened for editing is read and saved in.
#pragma once

#include <string>
#include <vector>

#include "editor/SyntaxEditContextEx.h"
#include "fileio/EncodingChoices.h"
#include "fileio/EncodingDetect.h"
#include "request/CompareParams.h"

namespace corvatine {

// Puts the code pages of the named encodings into a text request: one name
// for both sides, or the left's and the right's ("auto", "UTF-8" read as
// 65001, or a code page). Other requests, and a text request without names,
// stay as they are. False, with error set, for more than two names or a
// UTF-16 form, which a file is read in only through its byte-order mark.
[[nodiscard]] bool SetRequestEncodings(CCompareParams& request, const std::vector<NAMEDENCODING>& encodings,
                                       std::string& error);

// What --encoding asks of a file opened for editing: READ or READ,SAVE.
struct EDITINGENCODING {
    int readCodePage = CP_DETECT;  // a file without byte-order mark is read in it
    bool save = false;             // the file is saved in the encoding below
    int saveKind = -1;             // as CSyntaxEditContextEx::ChangeEncoding takes them
    int saveCodePage = -1;
};

// One name reads a file without byte-order mark in that encoding and saves
// it in it ("auto" saves it in what it was read in); UNI16_LE and UNI16_BE,
// which a file is read in only through its mark, choose only the encoding
// saved in. Two names read in the first and save in the second. False, with
// error set, for more than two names or a first of two that cannot be read
// in.
[[nodiscard]] bool EditingEncoding(const std::vector<NAMEDENCODING>& encodings, EDITINGENCODING& result,
                                   std::string& error);

// Gives a loaded buffer the encoding it is to be saved in, when that is
// not the one it was read in (which marks it modified).
void ApplySaveEncoding(const EDITINGENCODING& encoding, CSyntaxEditContextEx& context);

}  // namespace corvatine
