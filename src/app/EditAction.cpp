#include "app/EditAction.h"

#include "app/ConsoleMessages.h"
#include "app/HexAction.h"
#include "app/SearchAction.h"
#include "app/TerminalProgress.h"

#include <nlohmann/json.hpp>

#include "editor/SyntaxEditContextEx.h"
#include "editor/SyntaxEditor.h"
#include "editor/SyntaxTextExport.h"
#include "editor/TextEditDoc.h"
#include "fileio/Bom.h"
#include "fileio/CodePages.h"
#include "fileio/ContentType.h"
#include "fileio/Conversion.h"
#include "fileio/EncodingChoices.h"
#include "fileio/TextFormat.h"
#include "fileio/UniFile.h"
#include "launch/NamedEncodings.h"
#include "persist/ColorScheme.h"
#include "platform/File.h"
#include "platform/Output.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

// One line of JSON per buffer line: the state at its end and its blocks.
void PrintSyntax(CSyntaxEditContextEx& context, platform::COutput& out) {
    std::vector<COLORBLOCK> blocks;
    for (int i = 0; i < context.GetLineCount(); ++i) {
        blocks.clear();
        context.ParseLine(context.GetParseState(i - 1), i, &blocks);
        Json list = Json::array();
        for (const COLORBLOCK& block : blocks) list.push_back({block.position, block.color});
        Json line;
        line["line"] = i;
        line["state"] = context.GetParseState(i);
        line["blocks"] = std::move(list);
        out << line.dump() << "\n";
    }
}

// Bytes of a buffer held in UTF-8 that are no part of a valid sequence: a
// file of another encoding read as UTF-8 keeps them as they were, but its
// characters are not what they stand for.
int64_t InvalidUtf8Bytes(const CSyntaxEditContextEx& context) {
    if (WorkingCodePage() != CP_UTF8) return 0;
    int64_t invalid = 0;
    for (int i = 0; i < context.GetLineCount(); ++i) {
        const std::string_view text = context.GetLine(i).Characters();
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        for (size_t at = 0; at < text.size();) {
            if (p[at] < 0x80) {
                ++at;
                continue;
            }
            char32_t code = 0;
            const int n = DecodeUtf8(p + at, text.size() - at, code);
            if (n > 0) {
                at += static_cast<size_t>(n);
            } else {
                ++invalid;
                ++at;
            }
        }
    }
    return invalid;
}

Json InfoJson(const CSyntaxEditContextEx& context, int loadResult, bool lossy) {
    const TextLineStats& stats = context.GetLoadStats();
    const int64_t invalid = InvalidUtf8Bytes(context);
    lossy = lossy || invalid > 0;
    Json json;
    json["loadResult"] = loadResult;
    json["language"] = context.GetSyntaxDefinition() ? context.GetSyntaxDefinition()->GetName() : "Text";
    json["encodingKind"] = context.GetEncodingKind();
    json["codePage"] = context.GetCodePage();
    // How the encoding was decided, and what the charset detector named.
    static const char* const kSources[] = {"bom", "asked", "bytes", "detected", "fallback"};
    const DETECTEDENCODING& found = context.GetLoadEncoding();
    json["encodingSource"] = found.source >= 0 && found.source < 5 ? kSources[found.source] : "";
    json["detectedCharset"] = found.charset;
    json["lineEndingStyle"] = context.GetLineEndingStyle();
    json["lines"] = context.GetLineCount();
    json["lossy"] = lossy;
    json["invalidBytes"] = invalid;
    json["stats"] = {{"cr", stats.nCR},
                     {"lf", stats.nLF},
                     {"crlf", stats.nCRLF},
                     {"nul", stats.nNUL},
                     {"firstNul", stats.firstNUL},
                     {"lastNul", stats.lastNUL},
                     {"lossy", stats.nLossy}};
    return json;
}

// The document's questions are asked on the terminal; its errors are told
// by the caller in the command line's words, from the reason it keeps.
class CEditMessages : public platform::CMessages {
public:
    CEditMessages(platform::COutput& err, bool yes) : m_console(err, yes) {}
    int AskYesNo(const std::string& text) override { return m_console.AskYesNo(text); }
    void Inform(const std::string& text) override { m_console.Inform(text); }
    void Error(const std::string& /*text*/) override {}

private:
    CConsoleMessages m_console;
};

// The line ending style a --line-endings name asks for; false for a name it
// does not know.
bool LineEndingStyle(const std::string& name, int& style) {
    static const char* const kStyles[] = {"keep", "crlf", "cr", "lf"};
    for (int i = 0; i < 4; ++i) {
        if (name == kStyles[i]) {
            style = i;
            return true;
        }
    }
    return false;
}

// The options that say how the file is read and written, checked in the
// order the messages are given: the format, the line endings (style), the
// encodings and the line numbers. EXIT_SAME when they are all good.
int ReadEditOptions(const FRONTENDOPTIONS& options, const std::string& format, int& style,
                    EDITINGENCODING& encoding, platform::COutput& err) {
    if (format != "info" && format != "text" && format != "syntax" && format != "hex")
        return Trouble(err, "unknown format '" + format + "' for editing; use info, text, syntax or hex");
    style = EOL_KEEP;
    if (!options.lineEndings.empty() && !LineEndingStyle(options.lineEndings, style))
        return Trouble(err, "unknown line endings '" + options.lineEndings + "'; use keep, crlf, cr or lf");
    std::string error;
    if (!EditingEncoding(options.encodings, encoding, error)) return Trouble(err, error);
    if (!options.lineNumbers.empty() && options.exportTo.empty())
        return Trouble(err, "'--line-numbers' applies only with --export");
    return EXIT_SAME;
}

// A fifo or a device would hold the editor, or never end: only regular
// files (or one still to be made) are edited, as only they are compared.
int CheckEditedFile(const std::string& path, platform::COutput& err) {
    const platform::FileType type = platform::GetFileType(path);
    if (type == platform::FileType::Regular || type == platform::FileType::Missing) return EXIT_SAME;
    return Trouble(err, "cannot edit '" + path + "': " +
                            (type == platform::FileType::Folder ? "it is a folder" : "it is a special file"));
}

// Whether the file goes to the hex editor: named binary, asked for as hex or
// searched for bytes, or, with no kind named, found to hold binary content.
bool IsHexEditing(const CCommandLine& commandLine, const FRONTENDOPTIONS& options, const std::string& path) {
    return commandLine.kind == CCommandLine::KIND_BINARY || options.format == "hex" || options.hasFind ||
           (commandLine.kind == CCommandLine::KIND_NONE && DetermineContentType(path) == CONTENT_TYPE_BINARY);
}

// --save-as: the buffer in the encoding and line endings it has now, with a
// warning for characters the encoding cannot hold. The exit status so far.
int SaveCopyAs(CTextEditDoc& doc, const std::string& target, platform::COutput& err) {
    if (!doc.SaveAs(target, ENCODING_CODEPAGE, -1, EOL_KEEP))
        return Trouble(err, "cannot save '" + target + "': " + doc.LastError());
    if (doc.Context().GetLossySaved() > 0) {
        err << "corvatine: warning: " << doc.Context().GetLossySaved()
            << " characters cannot be represented in the chosen encoding and were saved as '?'\n";
    }
    return EXIT_SAME;
}

// --export: the text as a syntax-coloured HTML page in the current colour
// scheme, with a warning for bytes shown as U+FFFD. The exit status so far.
int ExportPage(CComponents& components, CSyntaxEditContextEx& context, const std::string& path,
               const FRONTENDOPTIONS& options, platform::COutput& err) {
    CSyntaxTextExport& exporter = components.Editor().textExport;
    exporter.SetLineNumbers(options.lineNumbers != "off");
    CTerminalProgress progress(err);
    EXPORTVIEW view;
    view.context = &context;
    const COLORSCHEME colors = components.ColorScheme();
    view.colors = colors.editor;
    view.page = colors.page;
    std::string error;
    if (!exporter.ExportToFile(path, options.exportTo, view, &progress, error))
        return Trouble(err, "cannot export to '" + options.exportTo + "': " + error);
    if (exporter.GetReplacedBytes() > 0)
        err << "corvatine: warning: " << exporter.GetReplacedBytes() << " bytes of '" << path
            << "' are not valid in its encoding and are shown as U+FFFD in the page\n";
    return EXIT_SAME;
}

// Every line of the buffer with its own line ending.
void PrintText(const CSyntaxEditContextEx& context, platform::COutput& out) {
    for (int i = 0; i < context.GetLineCount(); ++i) {
        const CSyntaxTextLine& line = context.GetLine(i);
        out.Write(line.Text(), line.FullLength());
    }
}

// What the run prints at its end: nothing when quiet; after a replace the
// new text unless it went into a file; else the text in the format asked for.
void PrintResult(CSyntaxEditContextEx& context, const FRONTENDOPTIONS& options, const std::string& format,
                 int loadResult, bool lossy, platform::COutput& out) {
    if (options.quiet) return;  // only the exit status tells
    if (options.hasReplace) {
        if (!options.save && !options.hasSaveAs) PrintText(context, out);
    } else if (format == "info") {
        out << InfoJson(context, loadResult, lossy).dump(2) << "\n";
    } else if (format == "syntax") {
        PrintSyntax(context, out);
    } else {
        PrintText(context, out);
    }
}

}  // namespace

int RunEditAction(CComponents& components, const CCommandLine& commandLine, const FRONTENDOPTIONS& options,
                  platform::COutput& out, platform::COutput& err) {
    const std::string format = options.format.empty() ? "info" : options.format;
    int style = EOL_KEEP;
    EDITINGENCODING encoding;
    if (const int checked = ReadEditOptions(options, format, style, encoding, err); checked != EXIT_SAME)
        return checked;
    if (commandLine.pathCount == 0) return Trouble(err, "name a file to edit");
    const std::string& path = commandLine.paths[0];
    if (const int checked = CheckEditedFile(path, err); checked != EXIT_SAME) return checked;
    if (options.hasFind && options.hasSearch)
        return Trouble(
            err,
            "'--find' searches the bytes of the hex view and '--search' the text of the editor: give one of "
            "them");
    if (IsHexEditing(commandLine, options, path)) {
        if (options.CheckApplicable(RunKind::HexEditing, err) != EXIT_SAME) return EXIT_TROUBLE;
        return RunHexAction(components, path, options, out, err);
    }
    if (options.CheckApplicable(RunKind::TextEditing, err) != EXIT_SAME) return EXIT_TROUBLE;
    if (CheckSearchOptions(options, err) != EXIT_SAME) return EXIT_TROUBLE;
    // The page would replace the text it is made of.
    if (!options.exportTo.empty() && platform::IsSameFile(path, options.exportTo))
        return Trouble(err, "cannot export to '" + options.exportTo + "': it is the file being exported, '" +
                                path + "'");

    // The document the window edits, with the command line's words for what fails.
    CEditMessages messages(err, options.yes);
    components.Editor();  // the document takes the editor's settings: read them first
    CTextEditDoc doc(messages);
    CSyntaxEditContextEx& context = doc.Context();
    const bool opened = doc.Open(path, commandLine.readOnly[0], encoding.readCodePage);
    const int result = doc.LoadResult();
    const bool lossy = doc.LoadedLossy();
    if (!opened && result == LOAD_BINARY) {
        if (format == "info") out << InfoJson(context, result, lossy).dump(2) << "\n";
        return Trouble(err, "'" + path + "' holds NUL characters and is treated as binary");
    }
    if (!opened) return Trouble(err, "cannot open '" + path + "': " + doc.LastError());

    ApplySaveEncoding(encoding, context);
    context.ChangeLineEndingStyle(style);

    if (options.hasSearch && !options.hasReplace) return PrintMatches(context, path, options, out, err);
    if (options.hasReplace) {
        if (options.save && context.IsReadOnly())
            return Trouble(err, "cannot save '" + path + "': it is read-only");
        // Replacing in memory for the output harms no read-only file.
        context.SetReadOnly(false);
        if (const int replaced = ReplaceMatches(context, path, options, err); replaced != EXIT_SAME)
            return replaced;
    }

    int status = 0;
    if (options.save && !doc.Save()) return Trouble(err, "cannot save '" + path + "': " + doc.LastError());
    if (options.hasSaveAs) status = SaveCopyAs(doc, options.saveAs, err);
    if (!options.exportTo.empty()) {
        const int exported = ExportPage(components, context, path, options, err);
        if (exported != EXIT_SAME) status = exported;
    }
    PrintResult(context, options, format, result, lossy, out);
    return status;
}

}  // namespace corvatine
