// The help text: the pages that /h and /? show, and the further sections of the manual page.
// The manual page (rivel.1) is made from this same text at build time, so the two cannot say
// different things.
#pragma once

#include <string_view>
#include <vector>

namespace rivel {

using HelpLines = std::vector<std::string_view>;

// The help pages in order, each a list of lines. Page 1 is the usage and the options; the
// manual page takes its synopsis and option list from it.
const std::vector<HelpLines>& HelpPages();

// The manual title of each help page after the first (the same order as HelpPages()).
const std::vector<std::string_view>& HelpPageTitles();

// One entry of a manual-only section: a paragraph (no tag), a tagged paragraph, or (literal)
// lines shown as they are.
struct ManualItem {
    std::string_view tag;
    std::string_view text;
    bool literal = false;
};

struct ManualSection {
    std::string_view title;
    std::vector<ManualItem> items;
};

// What the manual says beyond the help pages: description, exit status, environment, files,
// security and examples. The description comes first in the page, the others after the pages.
const ManualSection& ManualDescription();
const std::vector<ManualSection>& ManualSections();

}  // namespace rivel
