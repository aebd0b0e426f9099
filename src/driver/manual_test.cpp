#include "driver/manual.h"

#include <gtest/gtest.h>

#include "base/message_log.h"
#include "driver/help_text.h"
#include "driver/option_scan.h"

namespace rivel {
namespace {

TEST(ManualPage, SaysWhatTheHelpPagesSay) {
    const std::string page = ManualPage();
    EXPECT_EQ(page.find(".TH RIVEL 1 "), page.find('\n') + 1);
    // Every option of the first help page is a tagged paragraph, the new ones included.
    for (const char* option :
         {"/b", "/c", "/e=<char>", "/n[=<file>]", "/v[0\\-9]", "/k", "/p", "/x"}) {
        EXPECT_NE(page.find(std::string(".TP\n.B ") + option + "\n"), std::string::npos) << option;
    }
    // The option text goes on over its continuation lines.
    EXPECT_NE(page.find("Compile GRI into GRP file\n.br\nWhen only one filename is specified"),
              std::string::npos);
    // The command table as the help shows it, its minus signs escaped for roff.
    EXPECT_NE(page.find("\\-[section]key=value  Deletes the key, only if it has the same value\n"),
              std::string::npos);
    EXPECT_NE(page.find("\\fBrivel\\fR [options] {/c|/d} <GRP\\-file>"), std::string::npos);
    for (const char* title : {".SH SYNOPSIS", ".SH OPTIONS", ".SH CMD COMMANDS", ".SH EXIT STATUS",
                              ".SH ENVIRONMENT", ".SH FILES", ".SH SECURITY", ".SH EXAMPLES"}) {
        EXPECT_NE(page.find(std::string("\n") + title + "\n"), std::string::npos) << title;
    }
    EXPECT_NE(page.find(".TP\n.B 3\nwrong command line.\n"), std::string::npos);
}

// Every option letter the command line takes has its paragraph in the manual, and an option
// the help shows but the program refuses is said to be none.
TEST(ManualPage, TellsTheOptionsTheProgramTakes) {
    const std::string page = ManualPage();
    for (char letter : std::string("!ABCDEFGHIJKLMNOPQRSTUVWXYZ")) {
        RunContext run;
        StartLogCapture(run.log);
        RunOptions options;
        ScanOption(run, std::string("/") + letter, options, OptionSource::CommandLine, "");
        const bool taken = TakeLogCapture(run.log).find("Invalid Option") == std::string::npos;
        const char lower = letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter;
        const std::string tag = std::string(".TP\n.B /") + lower;
        const size_t at = page.find(tag);
        if (taken) {
            EXPECT_NE(at, std::string::npos) << "option /" << lower << " is not in the manual";
        } else if (at != std::string::npos) {
            EXPECT_NE(page.find(tag + "\n" + "Shown by the help, but not an option"),
                      std::string::npos)
                << "the manual shows /" << lower << " as an option";
        }
    }
}

TEST(ManualPage, NoTextLineIsTakenForARequestAndAllIsAscii) {
    const std::string page = ManualPage();
    size_t start = 0;
    while (start < page.size()) {
        size_t end = page.find('\n', start);
        std::string line = page.substr(start, end - start);
        start = end + 1;
        for (char c : line) {
            EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << line;
            EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << line;
        }
        if (line.empty() || line[0] != '.') {
            continue;
        }
        // Requests the page uses; help text starting with "." would have been escaped.
        bool known = false;
        for (const char* request :
             {".\\\"", ".TH ", ".SH ", ".PP", ".TP", ".B ", ".br", ".nf", ".fi"}) {
            known = known || line.rfind(request, 0) == 0;
        }
        EXPECT_TRUE(known) << line;
    }
    // The help's lines starting with "." (the IF block example) are escaped.
    EXPECT_NE(page.find("\n\\&........normal commands....\n"), std::string::npos);
}

}  // namespace
}  // namespace rivel
