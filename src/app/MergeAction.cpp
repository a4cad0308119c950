#include "app/MergeAction.h"

#include <nlohmann/json.hpp>

#include "app/JsonOutput.h"
#include "launch/MergeCommandLine.h"
#include "platform/AtomicFile.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

Json Range(int first, int end) { return Json::array({first, end}); }

// The chunks with their lines in each file and in the merged text, 0-based,
// [first, end).
Json DescribeMerge(const CMergeDoc& doc) {
    Json chunks = Json::array();
    int merged = 0;
    for (int c = 0; c < doc.ChunkCount(); ++c) {
        const MERGECHUNK& chunk = doc.Chunks()[static_cast<size_t>(c)];
        const int count = doc.ChunkLineCount(c);
        chunks.push_back({{"kind", MergeChunkKindName(chunk.kind)},
                          {"base", Range(chunk.baseFirst, chunk.baseEnd)},
                          {"ours", Range(chunk.oursFirst, chunk.oursEnd)},
                          {"theirs", Range(chunk.theirsFirst, chunk.theirsEnd)},
                          {"merged", Range(merged, merged + count)}});
        merged += count;
    }
    Json json;
    json["clean"] = doc.UnresolvedCount() == 0;
    json["conflicts"] = doc.ConflictCount();
    json["baseMissing"] = doc.BaseMissing();
    json["chunks"] = std::move(chunks);
    return json;
}

}  // namespace

int RunMergeAction(const FRONTENDOPTIONS& options, const std::vector<std::string>& arguments,
                   platform::COutput& out, platform::COutput& err) {
    if (const int status = options.CheckApplicable(RunKind::Merge, err); status != EXIT_SAME) return status;
    const std::string format = options.format.empty() ? "text" : options.format;
    if (format != "text" && format != "json")
        return Trouble(err, "invalid value '" + format + "' for '--format' of --merge: text or json");
    MERGEREQUEST request;
    std::string error;
    if (!TakeMergePaths(arguments, request, error))
        return Trouble(err, error + "\nTry 'corvatine --help' for more information.");
    request.labels = options.labels;
    request.diff3 = options.diff3;
    request.rules = options.rules;
    CMergeDoc doc;
    // The files stay as they are while this run reads them.
    doc.SetLoadInPlace(true);
    if (!doc.Open(request, error)) return Trouble(err, error);
    // A BASE that is not there is most often a slip of the hand: said, not refused.
    if (doc.BaseMissing() && !options.quiet)
        err << "corvatine: BASE '" << request.paths[0]
            << "' does not exist: merged as a file both sides added\n";
    if (options.hasOutput) {
        if (!doc.Save(options.output, error)) return Trouble(err, error);
    } else if (format == "text" && !options.quiet) {
        const bool written = doc.WriteBytes(
            [&](std::string_view bytes) {
                out << bytes;
                return !out.Failed();
            },
            error);
        if (!written && !out.Failed()) return Trouble(err, error);
    }
    if (format == "json" && !options.quiet) out << DumpJson(DescribeMerge(doc)) << "\n";
    out.Flush();
    if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
    return doc.ExitStatus();
}

}  // namespace corvatine
