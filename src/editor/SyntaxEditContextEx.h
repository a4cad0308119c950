// An edit context that knows its file's encoding and loads and saves files.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "editor/SyntaxEditContext.h"
#include "fileio/UniMemFile.h"

namespace corvatine {

class CSyntaxEditContextEx : public CSyntaxEditContext {
public:
    explicit CSyntaxEditContextEx(bool trackChanges = false);

    // Reads a file into the buffer (see LoadResult). A file without a
    // byte-order mark is read in codePage, or with CP_DETECT in the encoding
    // its bytes call for (DetectEncoding): UTF-8 when they are valid UTF-8,
    // else the charset detector's confident verdict, else the working code
    // page. A requested style of 0 takes the style from the file's endings. lossy is set to 1 when characters
    // could not be converted exactly; error gets the reason when the file cannot be opened.
    virtual int LoadTextFile(const std::string& path, int& lossy, int style, int codePage,
                             std::string& error);
    // The same for bytes in memory that no file holds (an archive's entry):
    // name chooses the syntax; the buffer has no file path afterwards.
    int LoadTextBytes(const std::string& name, std::string_view bytes, int& lossy, int style, int codePage);

    // Writes the buffer in its encoding, each line but the last followed by
    // the style's ending, or with style 0 by its own ending. The file is
    // replaced only once it is completely written, keeping its owner, mode
    // and links; on failure it is untouched, error says why and the buffer
    // stays modified. The file the buffer was read from (or last saved to)
    // is not written when another program changed it since. With
    // clearModified a successful save marks the buffer saved.
    //
    // Lines read with loss are written back as the bytes they were read from
    // while unchanged and in the same encoding. A save that would lose
    // characters all the same (such a line changed or put in another
    // encoding, or characters the encoding cannot represent, written as '?')
    // asks acceptLoss with the first such line (0-based) and how many there
    // are; without it, or when it answers false, the file is not written and
    // error names the line.
    using LossCheck = std::function<bool(int line, int count)>;
    virtual bool SaveTextFile(const std::string& path, bool inPlace, std::string& error, int style = 0,
                              bool clearModified = true, const LossCheck& acceptLoss = LossCheck());

    // The encoding command: a code page (kind -1) sets kind 0 and that code
    // page; a Unicode kind that differs from the current one sets that kind.
    // Either marks the buffer modified; the text in memory is not converted.
    void ChangeEncoding(int kind, int codePage);
    // The line-ending command: a style other than 0 that differs from the
    // buffer's becomes its style, every line takes its ending, and the
    // buffer is modified.
    void ChangeLineEndingStyle(int style);

    // Whether loads let the lines of a file in the working code page that
    // ends its lines in line feeds borrow the file's bytes where they lie
    // instead of copying them (off by default). Only for a buffer that lives
    // no longer than its files may be taken to stay as they are, such as a
    // comparison run once from the command line: another program that
    // rewrites a file in place while lines borrow it changes those lines.
    void SetLoadInPlace(bool inPlace) { m_loadInPlace = inPlace; }

    // What reading found at the last load.
    const TextLineStats& GetLoadStats() const { return m_loadStats; }
    // The encoding the last load read the file in, and how it was decided.
    const DETECTEDENCODING& GetLoadEncoding() const { return m_loadEncoding; }

    int GetEncodingKind() const { return m_encodingKind; }
    void SetEncodingKind(int kind) { m_encodingKind = kind; }
    int GetCodePage() const { return m_codePage; }
    void SetCodePage(int codePage) { m_codePage = codePage; }

    // Characters the last save could not represent and wrote as '?'.
    int GetLossySaved() const { return m_lossySaved; }

    // The bytes a line was read from, when it could not be read exactly, still
    // holds the text they were read as, and the buffer keeps the encoding it
    // was read in: writing those bytes gives back the file's own line. Null
    // for every other line.
    const std::string* BytesAsRead(const CSyntaxTextLine& line) const;
    // A copy of a line's origin that names the encoding its bytes are in, to
    // go with the line into another buffer or back into this one; null for
    // a line read exactly.
    std::unique_ptr<LINEORIGIN> OriginOf(const CSyntaxTextLine& line) const;

    // The file the buffer holds: read by the last load or written by the last
    // save; empty path and unknown identity for a new buffer.
    const std::string& GetFilePath() const { return m_filePath; }
    const platform::FILEIDENTITY& GetFileIdentity() const { return m_fileIdentity; }

protected:
    // The body of the loads, on an opened file.
    int LoadOpened(UniMemFile& file, const std::string& path, int& lossy, int style, int codePage);
    // Called after a successful load; nothing to do in the editor.
    virtual void OnAfterLoad() {}

    int m_encodingKind = -1;
    int m_codePage;
    int m_readEncodingKind = -1;  // the encoding the file was read in
    int m_readCodePage = -1;
    int m_lossySaved = 0;
    bool m_loadInPlace = false;
    TextLineStats m_loadStats;
    DETECTEDENCODING m_loadEncoding;
    std::string m_filePath;
    platform::FILEIDENTITY m_fileIdentity;
};

// The question asked before a save that would lose characters: the file and
// the first line (0-based) of count such lines.
std::string SaveLossQuestion(const std::string& path, int line, int count);

}  // namespace corvatine
