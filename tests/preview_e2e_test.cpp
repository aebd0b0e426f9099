// Preview (/p) and the telling exit status (/x) seen from outside: a preview changes no file and
// prints the diff that the real run then makes; /x gives each status of its table.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "base/run_context.h"
#include "groups/grp_to_gri.h"
#include "rivel_runner.h"
#include "text/unified_diff.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

fs::path Examples() {
    return ExamplesDir().empty() ? fs::current_path().parent_path() / "examples" : ExamplesDir();
}

std::string Named(const std::string& label, std::string name) {
    if (Sep() == '\\') {
        for (char& c : name) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return label + name + "\n";
}

// A group file as GRI text, decompiled the way a preview shows it.
std::string GroupText(const fs::path& grp) {
    rivel::RunContext run;
    rivel::RunOptions quiet;
    quiet.VerboseMode = 0;
    std::string image = ReadFile(grp);
    return rivel::JoinLines(rivel::DecompileGrp(run, quiet, image, grp.string(), "").lines, "\n");
}

TEST(Preview, IniRunChangesNothingAndShowsTheDiffOfTheRealRun) {
    ScratchDir dir;
    fs::copy_file(Examples() / "WIN.INI", dir / "WIN.INI");
    fs::copy_file(Examples() / "SETUP.CMD", dir / "SETUP.CMD");
    const std::string before = ReadFile(dir / "WIN.INI");
    RunResult preview = RunRivel({"/p", "/b", "WIN.INI", "SETUP.CMD"}, dir.path());
    EXPECT_EQ(preview.status, 0);
    EXPECT_EQ(ReadFile(dir / "WIN.INI"), before);
    EXPECT_FALSE(fs::exists(dir / "WIN.bak"));
    const std::string name = std::string(".") + Sep() + "WIN.INI";
    ASSERT_EQ(Lf(preview.out).rfind("--- " + name + "\n+++ " + name + "\n@@ -1,", 0), 0u)
        << preview.out;

    RunResult real = RunRivel({"WIN.INI", "SETUP.CMD"}, dir.path());
    EXPECT_EQ(real.status, 0);
    EXPECT_EQ(Lf(preview.out), rivel::UnifiedDiff(name, before, ReadFile(dir / "WIN.INI")));
    // Nothing left to change: the preview of a second run is empty.
    EXPECT_EQ(RunRivel({"/p", "WIN.INI", "SETUP.CMD"}, dir.path()).out, "");
}

// The lines of an ICM file see the files as the earlier lines would have left them: each
// preview diff is the step the real run then takes, and a file that a line would create exists
// for the next one.
TEST(Preview, LaterIcmLinesSeeWhatEarlierLinesWouldHaveWritten) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[A]\nk=1\n");
    WriteFile(dir / "one.cmd", "+[A]k=2\n");
    WriteFile(dir / "two.cmd", ">[A]k=3\nIF INFILE a.ini KEY [A] k\n+[A]had=k\nENDIF\n");
    WriteFile(dir / "three.cmd", "+[A]seen=$(_INIVALUE[A]k)\n");
    WriteFile(dir / "n1.cmd", "+[n]k=1\n");
    WriteFile(dir / "n2.cmd", "+[n]j=2\n");
    WriteFile(dir / "run.icm",
              "a.ini one.cmd\na.ini two.cmd\na.ini three.cmd\nnew.ini n1.cmd /n\nnew.ini n2.cmd\n");
    RunResult preview = RunRivel({"/p", "/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[A]\nk=1\n");
    EXPECT_FALSE(fs::exists(dir / "new.ini"));

    const std::vector<std::string> steps = {"[A]\nk=1\n", "[A]\nk=2\n", "[A]\nk=2 3\nhad=k\n",
                                            "[A]\nk=2 3\nhad=k\nseen=2 3\n"};
    std::string expected;
    for (size_t i = 1; i < steps.size(); ++i) {
        expected += rivel::UnifiedDiff("a.ini", steps[i - 1], steps[i]);
    }
    expected += rivel::UnifiedDiff("new.ini", "", "[n]\nk=1\n") +
                rivel::UnifiedDiff("new.ini", "[n]\nk=1\n", "[n]\nk=1\nj=2\n");
    EXPECT_EQ(Lf(preview.out), expected);

    RunResult real = RunRivel({"/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), steps.back());
    EXPECT_EQ(Lf(ReadFile(dir / "new.ini")), "[n]\nk=1\nj=2\n");
}

// A file that an earlier line would have created exists for the later lines whichever way
// they test for it and whichever name they give it: the one-line IFEXISTFILE and IFNEXISTFILE
// forms, in the ICM file and in a CMD file, and another spelling of its path.
TEST(Preview, FilesEarlierLinesWouldCreateExistForEveryTestAndName) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "n1.cmd", "+[n]k=1\n");
    WriteFile(dir / "n2.cmd", "+[n]j=2\n");
    WriteFile(dir / "seen.cmd", "+[s]icm=seen\nIFEXISTFILE new.ini +[s]cmd=seen\n");
    WriteFile(dir / "unseen.cmd", "+[s]icm=unseen\nIFNEXISTFILE new.ini +[s]cmd=unseen\n");
    WriteFile(dir / "run.icm",
              "new.ini n1.cmd /n\n"
              "IFEXISTFILE new.ini a.ini seen.cmd\n"
              "IFNEXISTFILE new.ini a.ini unseen.cmd\n"
              "./new.ini n2.cmd\n");
    RunResult preview = RunRivel({"/p", "/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[s]\nk=1\n");
    EXPECT_FALSE(fs::exists(dir / "new.ini"));

    RunResult real = RunRivel({"/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(real.status, 0) << real.err;
    const std::string a = "[s]\nk=1\nicm=seen\ncmd=seen\n";
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), a);
    EXPECT_EQ(Lf(ReadFile(dir / "new.ini")), "[n]\nk=1\nj=2\n");
    EXPECT_EQ(Lf(preview.out),
              rivel::UnifiedDiff("new.ini", "", "[n]\nk=1\n") +
                  rivel::UnifiedDiff("a.ini", "[s]\nk=1\n", a) +
                  rivel::UnifiedDiff("./new.ini", "[n]\nk=1\n", "[n]\nk=1\nj=2\n"));
}

// EXIST DIR is the same existence test as EXIST FILE (it holds for files too), so a file an
// earlier line would create exists for it in a preview as it does in the real run.
TEST(Preview, ExistDirSeesFilesEarlierLinesWouldCreate) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\n");
    WriteFile(dir / "b.ini", "[b]\n");
    WriteFile(dir / "mk.cmd", "O NEW.TXT\nW hi\n+[s]k=1\n");
    WriteFile(dir / "d.cmd",
              "IF EXIST DIR NEW.TXT\n+[b]dir=1\nENDIF\n"
              "IF NEXIST DIR NEW.TXT\n+[b]ndir=1\nENDIF\n");
    WriteFile(dir / "run.icm", "a.ini mk.cmd\nb.ini d.cmd\n");
    RunResult preview = RunRivel({"/p", "/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_FALSE(fs::exists(dir / "NEW.TXT"));
    EXPECT_EQ(ReadFile(dir / "b.ini"), "[b]\n");

    RunResult real = RunRivel({"/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(Lf(ReadFile(dir / "b.ini")), "[b]\ndir=1\n");
    EXPECT_EQ(Lf(preview.out), "would write: NEW.TXT\n" +
                                   rivel::UnifiedDiff("a.ini", "[s]\n", "[s]\nk=1\n") +
                                   rivel::UnifiedDiff("b.ini", "[b]\n", "[b]\ndir=1\n"));
}

// A wildcard name of a later line matches the files earlier lines would have created, in the
// place the directory's listing gives them, and only those in its directory with a matching name.
TEST(Preview, WildcardsMatchFilesEarlierLinesWouldCreate) {
    ScratchDir dir;
    fs::create_directory(dir / "sub");
    WriteFile(dir / "a.ini", "[A]\nk=1\n");
    WriteFile(dir / "c.ini", "[A]\nk=3\n");
    WriteFile(dir / "c.cmd", "+[A]k=2\n");
    WriteFile(dir / "d.cmd", "+[A]z=9\n");
    WriteFile(dir / "r.icm",
              "b.ini c.cmd /n\nb.txt c.cmd /n\nsub/s.ini c.cmd /n\n*.ini d.cmd\nsub/*.ini d.cmd\n");
    RunResult preview = RunRivel({"/p", "/x", "/c", "r.icm"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    for (const char* made : {"b.ini", "b.txt", "sub/s.ini"}) {
        EXPECT_FALSE(fs::exists(dir / made)) << made;
    }

    RunResult real = RunRivel({"/x", "/c", "r.icm"}, dir.path());
    EXPECT_EQ(real.status, 0) << real.err;
    const std::string made = "[A]\nk=2\n", edited = "[A]\nk=2\nz=9\n";
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[A]\nk=1\nz=9\n");
    EXPECT_EQ(Lf(ReadFile(dir / "b.ini")), edited);
    EXPECT_EQ(Lf(ReadFile(dir / "c.ini")), "[A]\nk=3\nz=9\n");
    EXPECT_EQ(Lf(ReadFile(dir / "b.txt")), made);
    EXPECT_EQ(Lf(ReadFile(dir / "sub" / "s.ini")), edited);
    EXPECT_EQ(Lf(preview.out), rivel::UnifiedDiff("b.ini", "", made) +
                                   rivel::UnifiedDiff("b.txt", "", made) +
                                   rivel::UnifiedDiff("sub/s.ini", "", made) +
                                   rivel::UnifiedDiff("a.ini", "[A]\nk=1\n", "[A]\nk=1\nz=9\n") +
                                   rivel::UnifiedDiff("b.ini", made, edited) +
                                   rivel::UnifiedDiff("c.ini", "[A]\nk=3\n", "[A]\nk=3\nz=9\n") +
                                   rivel::UnifiedDiff("sub/s.ini", made, edited));
}

TEST(Preview, GroupRunShowsTheGroupAsText) {
    ScratchDir dir;
    fs::copy_file(Examples() / "DEMO.GRP", dir / "DEMO.GRP");
    fs::copy_file(Examples() / "GROUP.CMD", dir / "GROUP.CMD");
    const std::string before = ReadFile(dir / "DEMO.GRP");
    const std::string beforeText = GroupText(dir / "DEMO.GRP");
    RunResult preview = RunRivel({"/p", "/g", "DEMO.GRP", "GROUP.CMD"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "DEMO.GRP"), before);
    ASSERT_FALSE(preview.out.empty()) << preview.err;

    RunRivel({"/g", "DEMO.GRP", "GROUP.CMD"}, dir.path());
    const std::string name = std::string(".") + Sep() + "DEMO.GRP";
    EXPECT_EQ(Lf(preview.out), rivel::UnifiedDiff(name, beforeText, GroupText(dir / "DEMO.GRP")));
}

// A group that one line of an ICM file would change is seen changed by the lines after it: a
// second GRP run, a decompile, an edit of the GRI text and its compiling.
TEST(Preview, LaterIcmLinesSeeTheGroupEarlierLinesWouldHaveWritten) {
    ScratchDir dir;
    fs::copy_file(Examples() / "DEMO.GRP", dir / "DEMO.GRP");
    WriteFile(dir / "one.cmd", "+[Notepad]Path=C:\\ONE\n");
    WriteFile(dir / "two.cmd", "+[Notepad]Command=PAD.EXE\n");
    WriteFile(dir / "three.cmd", "+[Calculator]Path=C:\\THREE\n");
    WriteFile(dir / "run.icm",
              "/g DEMO.GRP one.cmd\n/g DEMO.GRP two.cmd\n"
              "/d DEMO.GRP demo.gri\ndemo.gri three.cmd\n/c DEMO.GRP demo.gri\n");
    const std::string image = ReadFile(dir / "DEMO.GRP");
    auto text = [&](const std::string& bytes) {
        rivel::RunContext run;
        rivel::RunOptions quiet;
        quiet.VerboseMode = 0;
        return rivel::JoinLines(rivel::DecompileGrp(run, quiet, bytes, "DEMO.GRP", "").lines, "\n");
    };
    RunResult preview = RunRivel({"/p", "/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(ReadFile(dir / "DEMO.GRP"), image);
    EXPECT_FALSE(fs::exists(dir / "demo.gri"));

    // The real run, one line at a time, gives each step.
    std::vector<std::string> steps = {text(image)};
    for (const char* line : {"/g DEMO.GRP one.cmd\n", "/g DEMO.GRP two.cmd\n"}) {
        WriteFile(dir / "step.icm", line);
        EXPECT_EQ(RunRivel({"/x", "/c", "step.icm"}, dir.path()).status, 0);
        steps.push_back(text(ReadFile(dir / "DEMO.GRP")));
    }
    WriteFile(dir / "step.icm", "/d DEMO.GRP demo.gri\ndemo.gri three.cmd\n/c DEMO.GRP demo.gri\n");
    EXPECT_EQ(RunRivel({"/x", "/c", "step.icm"}, dir.path()).status, 0);
    steps.push_back(text(ReadFile(dir / "DEMO.GRP")));

    const std::string out = Lf(preview.out);
    const std::string first = rivel::UnifiedDiff("DEMO.GRP", steps[0], steps[1]);
    const std::string second = rivel::UnifiedDiff("DEMO.GRP", steps[1], steps[2]);
    const std::string last = rivel::UnifiedDiff("DEMO.GRP", steps[2], steps[3]);
    ASSERT_EQ(out.rfind(first + second, 0), 0u) << out;
    EXPECT_NE(last.find("+Path=C:\\THREE\n"), std::string::npos) << last;
    ASSERT_GE(out.size(), last.size());
    EXPECT_EQ(out.substr(out.size() - last.size()), last) << out;
}

TEST(Preview, ProgramsAndOutputFilesAreNamedNotRunFromIcmLines) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "Otouched.txt\nWhello\nE echo ran > ran.txt\n+[s]k=2\n");
    WriteFile(dir / "site.icm", "/p a.ini e.cmd\nE echo ran > icm.txt\n");
    RunResult r = RunRivel({"/c", "site.icm"}, dir.path());
    r.out = Lf(r.out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[s]\nk=1\n");
    EXPECT_FALSE(fs::exists(dir / "touched.txt"));
    EXPECT_FALSE(fs::exists(dir / "ran.txt"));
    // Where file names ignore case, O and E lines are taken upper-cased.
    EXPECT_NE(r.out.find(Named("would write: ", "touched.txt")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(Named("would run: ", "echo ran > ran.txt")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-k=1\n+k=2\n"), std::string::npos) << r.out;
    // The ICM file's own E line was not under /p: it ran.
    EXPECT_TRUE(fs::exists(dir / "icm.txt"));

    fs::remove(dir / "icm.txt");
    RunResult all = RunRivel({"/p", "/c", "site.icm"}, dir.path());
    all.out = Lf(all.out);
    EXPECT_FALSE(fs::exists(dir / "icm.txt")) << all.out;
    EXPECT_NE(all.out.find("would run: echo ran > icm.txt\n"), std::string::npos) << all.out;
    EXPECT_EQ(all.out.find("preview: programs are not run"),
              all.out.rfind("preview: programs are not run"));
}

// The output file that an O line would write is read by the later lines of the run: as the CMD
// file of an INI run and as an ICM file. A preview still names it rather than showing it.
TEST(Preview, OutputFilesOfEarlierLinesAreReadByLaterLines) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[A]\nk=1\n");
    WriteFile(dir / "mk.cmd", "OGEN.CMD\nW+[A]j=$(_INIVALUE[A]k)0\nOGEN.ICM\nWA.INI GEN.CMD\n");
    WriteFile(dir / "r.icm", "A.INI mk.cmd\nA.INI GEN.CMD\n/c GEN.ICM\n");
    RunResult preview = RunRivel({"/p", "/x", "/c", "r.icm"}, dir.path());
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_FALSE(fs::exists(dir / "GEN.CMD"));
    EXPECT_FALSE(fs::exists(dir / "GEN.ICM"));
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[A]\nk=1\n");

    RunResult real = RunRivel({"/x", "/c", "r.icm"}, dir.path());
    EXPECT_EQ(real.status, 0) << real.err;
    const std::string once = Lf(ReadFile(dir / "A.INI"));
    EXPECT_NE(once, "[A]\nk=1\n");
    EXPECT_NE(once.find("=10\n"), std::string::npos) << once;
    // The real run's two steps: GEN.CMD applied once directly, then again through GEN.ICM.
    WriteFile(dir / "A.INI", "[A]\nk=1\n");
    EXPECT_EQ(RunRivel({"/x", "A.INI", "GEN.CMD"}, dir.path()).status, 0);
    const std::string first = Lf(ReadFile(dir / "A.INI"));
    EXPECT_EQ(RunRivel({"/x", "A.INI", "GEN.CMD"}, dir.path()).status, 0);
    const std::string second = Lf(ReadFile(dir / "A.INI"));
    EXPECT_EQ(once, second);
    EXPECT_EQ(Lf(preview.out), "would write: GEN.CMD\nwould write: GEN.ICM\n" +
                                   rivel::UnifiedDiff("A.INI", "[A]\nk=1\n", first) +
                                   rivel::UnifiedDiff("A.INI", first, second));
}

TEST(ExitStatus, EachStatusOfTheTable) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    EXPECT_EQ(RunRivel({"/x", "a.ini", "e.cmd"}, dir.path()).status, 0);
    EXPECT_EQ(RunRivel({"/x", "a.ini", "missing.cmd"}, dir.path()).status, 1);
    EXPECT_EQ(RunRivel({"/x", "missing.ini", "e.cmd"}, dir.path()).status, 1);
    EXPECT_EQ(RunRivel({"/x", "/q", "a.ini", "e.cmd"}, dir.path()).status, 3);
    EXPECT_EQ(RunRivel({"/x", "a.ini"}, dir.path()).status, 3);
    // An ICM line with a wrong count is an error of the file, not of the command line.
    WriteFile(dir / "bad.icm", "a.ini\n");
    EXPECT_EQ(RunRivel({"/x", "/c", "bad.icm"}, dir.path()).status, 1);
    // So is a malformed option: on the command line status 3, on an ICM line status 1.
    WriteFile(dir / "o.ini", "[s]\nk=1\n");
    for (const char* option : {"/e;", "/l=", "/n=", "/wq"}) {
        EXPECT_EQ(RunRivel({"/x", option, "o.ini", "e.cmd"}, dir.path()).status, 3) << option;
        WriteFile(dir / "opt.icm", std::string(option) + " o.ini e.cmd\n");
        EXPECT_EQ(RunRivel({"/x", "/c", "opt.icm"}, dir.path()).status, 1) << option;
    }
    // A GRI key the compiler does not know: the group is made without it, and the text's error
    // is told.
    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=Tools\n\n[Pad]\nCommand=PAD.EXE\nColour=red\n");
    EXPECT_EQ(RunRivel({"/x", "/c", "g.grp", "g.gri"}, dir.path()).status, 1);
    EXPECT_TRUE(fs::exists(dir / "g.grp"));
    // Without /x the status stays 0.
    EXPECT_EQ(RunRivel({"/c", "g.grp", "g.gri"}, dir.path()).status, 0);
    EXPECT_EQ(RunRivel({"a.ini", "missing.cmd"}, dir.path()).status, 0);
    EXPECT_EQ(RunRivel({"/q", "a.ini", "e.cmd"}, dir.path()).status, 0);

    // A file that cannot be replaced: status 2, the file unchanged.
    WriteFile(dir / "e.cmd", "+[s]k=3\n");
    fs::permissions(dir / "a.ini", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(RunRivel({"/x", "a.ini", "e.cmd"}, dir.path()).status, 2);
    fs::permissions(dir / "a.ini", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[s]\nk=2\n");
}

}  // namespace
}  // namespace rivel_test
