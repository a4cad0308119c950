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

}  // namespace

int RunEditAction(CComponents& components, const CCommandLine& commandLine, const FRONTENDOPTIONS& options,
                  platform::COutput& out, platform::COutput& err) {
    const std::string format = options.format.empty() ? "info" : options.format;
    if (format != "info" && format != "text" && format != "syntax" && format != "hex")
        return Trouble(err, "unknown format '" + format + "' for editing; use info, text, syntax or hex");

    int style = EOL_KEEP;
    if (!options.lineEndings.empty()) {
        static const char* const kStyles[] = {"keep", "crlf", "cr", "lf"};
        style = -1;
        for (int i = 0; i < 4; ++i)
            if (options.lineEndings == kStyles[i]) style = i;
        if (style < 0)
            return Trouble(err,
                           "unknown line endings '" + options.lineEndings + "'; use keep, crlf, cr or lf");
    }
    EDITINGENCODING encoding;
    std::string error;
    if (!EditingEncoding(options.encodings, encoding, error)) return Trouble(err, error);

    if (!options.lineNumbers.empty() && options.exportTo.empty())
        return Trouble(err, "'--line-numbers' applies only with --export");

    if (commandLine.pathCount == 0) return Trouble(err, "name a file to edit");
    const std::string& path = commandLine.paths[0];
    // A fifo or a device would hold the editor, or never end: only regular
    // files are edited, as only they are compared.
    if (const platform::FileType type = platform::GetFileType(path);
        type != platform::FileType::Regular && type != platform::FileType::Missing)
        return Trouble(err,
                       "cannot edit '" + path + "': " +
                           (type == platform::FileType::Folder ? "it is a folder" : "it is a special file"));
    if (options.hasFind && options.hasSearch)
        return Trouble(
            err,
            "'--find' searches the bytes of the hex view and '--search' the text of the editor: give one of "
            "them");
    if (commandLine.kind == CCommandLine::KIND_BINARY || options.format == "hex" || options.hasFind ||
        (commandLine.kind == CCommandLine::KIND_NONE && DetermineContentType(path) == CONTENT_TYPE_BINARY)) {
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
    if (options.hasSaveAs) {
        // In the encoding and line endings the buffer has now.
        if (!doc.SaveAs(options.saveAs, ENCODING_CODEPAGE, -1, EOL_KEEP)) {
            status = Trouble(err, "cannot save '" + options.saveAs + "': " + doc.LastError());
        } else if (context.GetLossySaved() > 0) {
            err << "corvatine: warning: " << context.GetLossySaved()
                << " characters cannot be represented in the chosen encoding and were saved as '?'\n";
        }
    }

    if (!options.exportTo.empty()) {
        CSyntaxTextExport& exporter = components.Editor().textExport;
        exporter.SetLineNumbers(options.lineNumbers != "off");
        CTerminalProgress progress(err);
        EXPORTVIEW view;
        view.context = &context;
        const COLORSCHEME colors = components.ColorScheme();
        view.colors = colors.editor;
        view.page = colors.page;
        if (!exporter.ExportToFile(path, options.exportTo, view, &progress, error))
            status = Trouble(err, "cannot export to '" + options.exportTo + "': " + error);
        else if (exporter.GetReplacedBytes() > 0)
            err << "corvatine: warning: " << exporter.GetReplacedBytes() << " bytes of '" << path
                << "' are not valid in its encoding and are shown as U+FFFD in the page\n";
    }

    if (options.quiet) {
        // Only the exit status tells.
    } else if (options.hasReplace) {
        // The replaced text, unless it went into a file.
        if (!options.save && !options.hasSaveAs)
            for (int i = 0; i < context.GetLineCount(); ++i) {
                const CSyntaxTextLine& line = context.GetLine(i);
                out.Write(line.Text(), line.FullLength());
            }
    } else if (format == "info") {
        out << InfoJson(context, result, lossy).dump(2) << "\n";
    } else if (format == "syntax") {
        PrintSyntax(context, out);
    } else {
        for (int i = 0; i < context.GetLineCount(); ++i) {
            const CSyntaxTextLine& line = context.GetLine(i);
            out.Write(line.Text(), line.FullLength());
        }
    }
    return status;
}

}  // namespace corvatine
