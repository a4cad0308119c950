#include "app/FindInFilesAction.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <nlohmann/json.hpp>

#include "app/JsonOutput.h"
#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/FileFind.h"
#include "platform/Output.h"
#include "platform/Terminal.h"
#include "tools/FindInFiles.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

// The results window of the command line. The worker calls it with every
// node while the main thread only waits for the end message, so the output
// is written here, on the worker's thread, in large pieces (after every node
// on a terminal). JSON is gathered and written at the end.
class CConsoleFindWindow : public CFindInFilesWindow {
public:
    CConsoleFindWindow(platform::COutput& out, const std::string& format, bool quiet,
                       CFindInFilesThread& thread)
        : m_out(out),
          m_format(quiet              ? Format::None
                   : format == "grep" ? Format::Grep
                   : format == "json" ? Format::JsonObject
                                      : Format::Tree),
          m_eachNode(platform::IsTerminal(STDOUT_FILENO)),
          m_thread(thread) {}

    void OnFindResult(int level, const std::string& text) override {
        if (level == FIND_LEVEL_LINE) ++m_hits;
        if (level == FIND_LEVEL_SUMMARY) m_canceled = text == "Canceled";
        switch (m_format) {
            case Format::None: return;
            case Format::Tree: Tree(level, text); break;
            case Format::Grep: Grep(level, text); break;
            case Format::JsonObject: Gather(level, text); return;
        }
        if (m_eachNode || m_text.size() >= kFlushAt) Flush();
    }

    void OnFindEnded() override {
        m_thread.OnEnd();
        m_ended = true;
    }

    bool Ended() const { return m_ended; }
    bool Canceled() const { return m_canceled; }
    int Hits() const { return m_hits; }

    // Writes what is left, once the search has ended.
    void Finish() {
        if (m_format == Format::JsonObject) m_text = DumpJson(m_json) + "\n";
        Flush();
    }

private:
    enum class Format { None, Tree, Grep, JsonObject };
    static constexpr size_t kFlushAt = 65536;

    // A node per line, two blanks deeper per level of the tree; the summary
    // is a child of the root as the files are.
    void Tree(int level, const std::string& text) {
        const int depth = level == FIND_LEVEL_SUMMARY ? 1 : level;
        m_text.append(static_cast<size_t>(2 * depth), ' ');
        m_text += text;
        if (text.empty() || text.back() != '\n') m_text += '\n';
    }

    void Grep(int level, const std::string& text) {
        if (level == FIND_LEVEL_FILE) m_file = text;
        if (level != FIND_LEVEL_LINE) return;
        std::string_view line = LineNodeText(text);
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        m_text += m_file;
        m_text += ':';
        m_text += std::to_string(LineNodeNumber(text));
        m_text += ':';
        m_text += line;
        m_text += '\n';
    }

    void Gather(int level, const std::string& text) {
        switch (level) {
            case FIND_LEVEL_ROOT:
                m_json["search"] = text;
                m_json["files"] = Json::array();
                break;
            case FIND_LEVEL_FILE:
                m_json["files"].push_back({{"path", text}, {"lines", Json::array()}});
                break;
            case FIND_LEVEL_LINE:
                m_json["files"].back()["lines"].push_back({{"line", LineNodeNumber(text)}, {"text", text}});
                break;
            default:
                m_json["summary"] = text;
                m_json["occurrences"] = m_hits;
                m_json["canceled"] = m_canceled;
                break;
        }
    }

    void Flush() {
        m_out.Write(m_text.data(), m_text.size());
        if (m_eachNode) m_out.Flush();
        m_text.clear();
    }

    platform::COutput& m_out;
    const Format m_format;
    const bool m_eachNode;
    CFindInFilesThread& m_thread;
    std::string m_text;  // not written yet
    std::string m_file;  // the current file node
    Json m_json;
    int m_hits = 0;
    bool m_canceled = false;
    bool m_ended = false;
};

}  // namespace

int RunFindInFilesAction(const std::string& folder, const FRONTENDOPTIONS& options, platform::COutput& out,
                         platform::COutput& err) {
    const std::string format = options.format.empty() ? "tree" : options.format;
    if (format != "tree" && format != "grep" && format != "json")
        return Trouble(
            err, "invalid value '" + format + "' for '--format' of a search in files: tree, grep or json");
    if (options.findInFiles.empty()) return Trouble(err, "--find-in-files needs a text to search for");
    if (options.hasTypes && options.types.find_first_not_of(';') == std::string::npos)
        return Trouble(err, "--types needs a pattern, such as --types='*.cpp;*.h'");

    int error = 0;
    const platform::FileType type = platform::GetFileType(folder, &error);
    if (type == platform::FileType::Missing)
        return Trouble(err, "cannot search '" + folder + "': " + platform::ErrorText(error));
    if (type != platform::FileType::Folder)
        return Trouble(err, "cannot search '" + folder + "': " + platform::ErrorText(ENOTDIR));
    {
        platform::CFileFindEx probe;
        if (!probe.FindFile(folder))
            return Trouble(err, "cannot search '" + folder + "': " + platform::ErrorText(probe.Error()));
    }

    FINDINFILESREQUEST request;
    request.flags = (options.subfolders ? FIF_SUBFOLDERS : 0u) | (options.regex ? FIF_REGEXP : 0u) |
                    (options.matchCase ? FIF_MATCHCASE : 0u);
    request.findWhat = options.findInFiles;
    if (options.hasTypes) request.fileTypes = options.types;
    request.lookIn = folder;
    // The search would take a malformed expression for text to find
    // literally (as the dialog does); asked for on the command line, it is a
    // mistake to tell.
    if (options.regex) {
        CFindRegExp expression;
        if (!expression.Compile(request.findWhat, options.matchCase))
            return Trouble(err,
                           "invalid regular expression '" + request.findWhat + "': " + expression.Error());
    }

    platform::CMessageQueue& queue = platform::UserInterfaceQueue();
    CFindInFilesThread thread(queue);
    CConsoleFindWindow window(out, format, options.quiet, thread);
    request.window = &window;
    const std::atomic<bool>& interrupted = platform::CatchInterrupt();
    if (!thread.Start(request)) {
        platform::ReleaseInterrupt();
        return Trouble(err, "cannot start the search: " + platform::ErrorText(EAGAIN));
    }
    while (!window.Ended()) {
        platform::MESSAGE message;
        if (queue.Get(message, std::chrono::milliseconds(50))) message.Deliver();
        if (interrupted && thread.IsRunning()) thread.Stop();
    }
    platform::ReleaseInterrupt();
    window.Finish();
    out.Flush();
    if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
    if (window.Canceled()) {
        if (format == "grep" && !options.quiet) err << "corvatine: Canceled\n";
        return EXIT_TROUBLE;
    }
    return window.Hits() > 0 ? EXIT_SAME : EXIT_DIFFERENT;
}

}  // namespace corvatine
