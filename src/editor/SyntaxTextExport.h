// The syntax-coloured HTML export of a text document: a page that shows the
// text with the editor's colours, written to a file the user names or to a
// temporary file opened in the desktop's browser.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/EditorOptions.h"
#include "editor/PageColors.h"
#include "editor/SyntaxEditContext.h"
#include "platform/Progress.h"

namespace corvatine {

class CCharsetConverter;

// What the export takes from the view that shows the document: the text with
// its syntax definition and parse-state cache, the view's tab stops, and the
// colours it draws with.
struct EXPORTVIEW {
    static constexpr int kDefaultTabSize = 4;  // the tab stops of the editor's views
    EXPORTVIEW() = default;
    explicit EXPORTVIEW(CSyntaxEditContext* text) : context(text) {}
    CSyntaxEditContext* context = nullptr;
    int tabSize = kDefaultTabSize;
    // The colour table (COLORINDEX_COUNT entries); null: the exporter's options.
    const SYNTAXCOLOR* colors = nullptr;
    PAGECOLORS page;
};

// A file in memory that only grows at its end, by whole steps. The buffer is
// resized in place where the allocator can (large blocks are remapped rather
// than copied), so the steps stay cheap for a page of many megabytes.
class CMemFile {
public:
    static constexpr size_t kDefaultGrowth = 256 * 1024;

    explicit CMemFile(size_t growth = kDefaultGrowth) : m_growth(growth > 0 ? growth : 1) {}
    ~CMemFile();
    CMemFile(CMemFile&& other) noexcept;
    CMemFile& operator=(CMemFile&& other) noexcept;
    CMemFile(const CMemFile&) = delete;
    CMemFile& operator=(const CMemFile&) = delete;

    void Write(const char* data, size_t size) {
        if (size > m_capacity - m_size && !Grow(size)) return;
        if (size > 0) std::memcpy(m_data + m_size, data, size);
        m_size += size;
    }
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    void Put(char c) {
        if (m_size == m_capacity && !Grow(1)) return;
        m_data[m_size++] = c;
    }
    // Appends count copies of c.
    void Fill(char c, size_t count);

    const char* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    size_t Capacity() const { return m_capacity; }
    std::string_view View() const { return {m_data != nullptr ? m_data : "", m_size}; }
    // True once memory ran out: the contents are incomplete, later writes are dropped.
    bool Failed() const { return m_failed; }

private:
    bool Grow(size_t needed);

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
    size_t m_growth;
    bool m_failed = false;
};

class CSyntaxTextExport {
public:
    // The colour table is read from the editor settings at every export
    // unless the view brings its own.
    explicit CSyntaxTextExport(const CSyntaxEditorOptions& options, size_t growth = CMemFile::kDefaultGrowth);
    virtual ~CSyntaxTextExport();  // deletes the preview file
    CSyntaxTextExport(const CSyntaxTextExport&) = delete;
    CSyntaxTextExport& operator=(const CSyntaxTextExport&) = delete;

    // Writes the page of the view's document to target, replacing the file
    // only once the page is complete; the progress sink (optional) runs over
    // the lines. False with error naming the file and the reason; nothing is
    // written then.
    [[nodiscard]] virtual bool ExportToFile(const std::string& documentName, const std::string& target,
                                            const EXPORTVIEW& view, platform::CProgressSink* progress,
                                            std::string& error);
    // Exports to the preview file (a temporary ".html" made on first use and
    // reused after) and opens it with the desktop's handler.
    [[nodiscard]] virtual bool Preview(const std::string& documentName, const EXPORTVIEW& view,
                                       platform::CProgressSink* progress, std::string& error);

    // Bytes of the last export's text that were not valid in its encoding,
    // or characters that UTF-8 could not take, shown as U+FFFD in the page.
    int GetReplacedBytes() const { return m_replacedBytes; }

    bool GetLineNumbers() const { return m_lineNumbers; }
    void SetLineNumbers(bool on) { m_lineNumbers = on; }
    // Empty until the first preview.
    const std::string& GetPreviewFile() const { return m_previewFile; }

    // The class of a colour index's span ("tk" for keywords ...), or null for
    // the colours written without one.
    static const char* ColorClass(int color);

protected:
    // The page of the remembered view and name: header, lines, footer.
    virtual CMemFile BuildPage();
    virtual void PageHeader(CMemFile& page);
    virtual void PageFooter(CMemFile& page);
    virtual void WriteLines(CMemFile& page);
    // One line's text with its colours, without its ending.
    virtual void FormatLine(CMemFile& page, int line);
    // A run of the line's characters in one colour: tabs expanded, markup
    // characters escaped, wrapped in the colour's span when it has a class.
    virtual void FormatSegment(CMemFile& page, std::string_view text, int color);

    // The lines the page shows: the document's, without the empty line after
    // a final line break, which ends the last line rather than starting one.
    int ExportedLineCount() const;

private:
    void AppendExpanded(CMemFile& page, std::string_view text);

    const CSyntaxEditorOptions& m_options;
    size_t m_growth;
    const EXPORTVIEW* m_view = nullptr;             // during one export
    platform::CProgressSink* m_progress = nullptr;  // during one export
    std::string m_documentName;
    bool m_lineNumbers = true;
    std::string m_previewFile;

    // Scratch of FormatLine and FormatSegment, kept between lines.
    std::vector<COLORBLOCK> m_blocks;
    int m_column = 0;  // of the next character, from the start of the line
    int m_replacedBytes = 0;
    std::unique_ptr<CCharsetConverter> m_toUtf8;  // when text in memory is not UTF-8
    std::string m_converted;
};

}  // namespace corvatine
