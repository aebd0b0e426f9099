// The replace commands of a rewrite pass: each replaces every occurrence of its text in the
// lines of its section (or of every section), ignoring case or not, without running for ever
// when the replacement keeps forming the text again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/run_context.h"
#include "inicmd/command_list.h"
#include "inicmd/section_index.h"
#include "platform/bulk_memory.h"

namespace rivel {

// A replace record's search text made ready for comparison eight bytes at a time: a byte of
// the line ORed with `fold` equals `want` where the search text has that byte in either case
// (fold 0x20 at a letter when case is ignored, 0 elsewhere). `keep` masks the bytes compared.
struct ReplaceChunk {
    uint64_t want = 0, fold = 0, keep = 0;
    ptrdiff_t offset = 0;  // from the start of an occurrence
};
// One replace record as the search uses it, made ready at its first use.
struct ReplaceSearch {
    ReplaceRecord* record = nullptr;
    bool ready = false;
    size_t size = 0;  // of the search text; 0: the record replaces nothing
    // Whether the replacement holds the search text (by the comparison in force): searching
    // again from the start would never end, so each occurrence is replaced once, left to right.
    bool feedsItself = false;
    // Whether the replacement, with what stands before or after it, can form the search text
    // (so a search must look again at the text around it).
    bool reforms = true;
    // The first byte of the text, ORed with its fold, in every byte of a word.
    uint64_t firstWant = 0, firstFold = 0;
    // Its chunks in ReplaceScratch::chunks: from the first, then up to the end of the text (a
    // text of 8 or more); for a shorter one, the text at the start of a word, then at its end.
    uint32_t firstChunk = 0, chunkCount = 0;
};

// Storage that the replace commands reuse from line to line, in one rewrite pass.
struct ReplaceScratch {
    std::string out, window;
    // One for each record of the replace list, in list order (made at the first line), and
    // their chunks, with room made at once for the chunks of every record: thousands of
    // records grow them to sizes where each step would touch fresh memory again.
    BulkVector<ReplaceSearch> searches;
    BulkVector<ReplaceChunk> chunks;
};

// Applies the replace commands to one line (trailing blanks removed first): those for every
// line and currentReplaces, the positions of the current section's replace records. Returns the
// result: line itself when nothing changed it, otherwise l. The caller keeps l and scratch from
// line to line.
const std::string& ReplaceLine(RunContext& run, const RunOptions& options, CommandStore& store,
                               const SectionIndex& index, Positions currentReplaces,
                               const std::string& line, std::string& l, ReplaceScratch& scratch);

}  // namespace rivel
