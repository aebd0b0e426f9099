// The manual page made from the help text.
#include "driver/manual.h"

#include <string_view>
#include <vector>

#include "driver/banner.h"
#include "driver/help_text.h"
#include "text/strings.h"

namespace rivel {

namespace {

// Text as roff reads it: backslashes and minus signs escaped, and the help's console byte for a
// vertical bar written as one.
std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else if (c == '\xDD') {
            out += '|';
        } else {
            out += c;
        }
    }
    return out;
}

// One line of text; a leading "." or "'" would be read as a request.
std::string TextLine(std::string_view text) {
    std::string line = Escape(text);
    if (!line.empty() && (line[0] == '.' || line[0] == '\'')) {
        line.insert(0, "\\&");
    }
    return line + "\n";
}

// Lines shown as they are, one per line of text.
std::string Literal(std::string_view text) {
    std::string out = ".PP\n.nf\n";
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        out += TextLine(text.substr(start, nl == std::string_view::npos ? nl : nl - start));
        if (nl == std::string_view::npos) {
            break;
        }
        start = nl + 1;
    }
    return out + ".fi\n";
}

std::string Section(const ManualSection& section) {
    std::string out = ".SH " + std::string(section.title) + "\n";
    for (const ManualItem& item : section.items) {
        if (item.literal) {
            out += Literal(item.text);
        } else if (item.tag.empty()) {
            out += ".PP\n" + TextLine(item.text);
        } else {
            out += ".TP\n.B " + Escape(item.tag) + "\n" + TextLine(item.text);
        }
    }
    return out;
}

// Blanks removed from both ends (an all-blank text becomes empty).
std::string Stripped(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// An option of the help's first page: the option column and its lines of text.
struct OptionEntry {
    std::string tag;
    std::vector<std::string> lines;
};

// The option list of the first help page: an option in the first 11 columns and its text
// after them; an indented line goes on with the option before it, on a line of its own.
std::vector<OptionEntry> Options(const HelpLines& page, size_t first) {
    const size_t column = 11;
    std::vector<OptionEntry> options;
    for (size_t i = first; i < page.size(); ++i) {
        std::string_view line = page[i];
        if (Stripped(line).empty()) {
            continue;
        }
        const std::string head = Stripped(line.substr(0, std::min(column, line.size())));
        const std::string rest = line.size() > column ? Stripped(line.substr(column)) : "";
        if (!options.empty() && (line[0] == ' ' || line[0] == '\t')) {
            options.back().lines.push_back(Stripped(line));
        } else {
            options.push_back({head, {rest}});
        }
    }
    return options;
}

}  // namespace

std::string ManualPage() {
    const std::vector<HelpLines>& pages = HelpPages();
    const HelpLines& usage = pages[0];
    std::string out;
    out += ".\\\" The manual page of rivel, made from its help text when rivel is built.\n";
    out +=
        ".TH RIVEL 1 \"" + ReleaseDate() + "\" \"rivel " + VersionText() + "\" \"User Commands\"\n";
    out += ".SH NAME\nrivel \\- maintain INI, NET.CFG, registry and program group files\n";
    out += ".SH SYNOPSIS\n";
    // The usage lines stand between "Usage:" and the line that opens the option list.
    size_t optionsAt = 1;
    while (optionsAt < usage.size() && usage[optionsAt].rfind("rivel ", 0) == 0) {
        out += "\\fBrivel\\fR " + TextLine(usage[optionsAt].substr(6)) + ".br\n";
        ++optionsAt;
    }
    out += Section(ManualDescription());
    out += ".SH OPTIONS\n";
    if (optionsAt < usage.size()) {
        out += ".PP\n" + TextLine(usage[optionsAt]);
    }
    for (const OptionEntry& option : Options(usage, optionsAt + 1)) {
        out += ".TP\n.B " + Escape(option.tag) + "\n";
        for (size_t i = 0; i < option.lines.size(); ++i) {
            out += (i > 0 ? ".br\n" : "") + TextLine(option.lines[i]);
        }
    }
    const std::vector<std::string_view>& titles = HelpPageTitles();
    for (size_t p = 1; p < pages.size(); ++p) {
        out += ".SH " + std::string(p < titles.size() ? titles[p] : "MORE") + "\n.nf\n";
        for (std::string_view line : pages[p]) {
            out += TextLine(line);
        }
        out += ".fi\n";
    }
    for (const ManualSection& section : ManualSections()) {
        out += Section(section);
    }
    return out;
}

}  // namespace rivel
