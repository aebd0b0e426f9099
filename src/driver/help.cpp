// The eight help pages shown for /h and /?.
#include "driver/help.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "driver/banner.h"
#include "platform/console.h"

namespace rivel {

namespace {

using Page = std::initializer_list<std::string_view>;

const Page kPage1 = {
    "Usage:",
    "rivel [options] /c <ICM-file> [options]",
    "rivel [options] /r <CMD-file> [options]",
    "rivel [options] <INI-file> [options] <CMD-file> [options]",
    "rivel [options] /g <GRP-file> [options] <CMD-file> [options]",
    "rivel [options] {/c\xDD/d} <GRP-file> [options] <GRI-file> [options]",
    "Options:  starts with - or /",
    "/b         Create Backupfile",
    "/c         Compile GRI into GRP file",
    "           When only one filename is specified, a ICM file is used",
    "/d         Decompile a GRP into a GRI file",
    "/e=<char>  Use <char> instead of = for delimiting key & value",
    "/g         GRP & CMD file",
    "/h /?      Display this help-screen",
    "/l=<file>  Log messages to file",
    "/n[=<file>]Creates INI files, if it not already exists",
    "           But based on <file>",
    "/r         Registery processing",
    "/s[0-3]    Swap GRP-Header",
    "/t=<char>  New syntax is used, this is the escape character",
    "/v[0-9]    Verbose mode",
    "       /v0 Display no messages",
    "       /v9 Display all messages",
    "/w[0-2]    Process NET.CFG instead of INI-file",
    "",
};

const Page kPage2 = {
    "+[section]key=value  Lines will be added to the section",
    "&[section]key=value  Same as ADD, but the vaule is always inserted",
    "*[section]key=value  Same as &, but the case must match",
    "-[section]key=value  Deletes the key, only if it has the same value",
    "_[section]key=value  Same as -, but value must match case",
    "-[section]key        Lines with key will be deleted from the section",
    "-[section]           Deletes the entiere section",
    "~[section]key=value  Deletes the numeric key, only if it has the same value",
    "~[section]key        Lines with key+numeric will be deleted from the section",
    "#[section]key=value  Comment the key with ; but only if it has the same value",
    "#[section]key        Lines with key will be commented with ; from the section",
    "#[section]           Comments the complete section with ;",
    "@[section]key=value Uncomment the key, but only if it has the same value",
    "@[section]key       Uncomments the line with key",
    "@[section]          Uncomments the complete section",
};

const Page kPage3 = {
    ">[section]key=value  Add value to the existing values of key",
    "/[section]key=value  Same as > but value is inserted in front of other values",
    "<[section]key=value  Remove value from the existing values of key",
    "![section]key=value  Add a key with numeric value",
    "r[section]Txt1=Txt2  Each occurence of Txt1 is replaced with Txt2",
    "R[section]Txt1=Txt2  Same as r-command, but case must match",
    "s[section]Txt1=EVar  Then environment variable EVar is set to the",
    "                     corresponding value of Section/key",
};

const Page kPage4 = {
    "------ Conditional execution of commands -----------",
    "IFMEMBER <group> <command>           If User is member of netware group, the",
    "                                     command is excecuted",
    "IFNMEMBER <group> <command>          If User is NOT member of netware group,",
    "                                     the command is excecuted.",
    "",
    "IFEXISTENV <ENVVAR> <command>        If the environment variable",
    "                                     ENVVAR exists, the cmd is excecuted",
    "IFNEXISTENV <ENVVAR> <command>       If the environment variable ENVVAR does",
    "                                     exist, the cmd is excecuted",
    "",
    "IFEXISTFILE <file> <command>         If the file <file> exists,",
    "                                     the cmd is excecuted",
    "IFNEXISTFILE<file> <command>         If the file <file> does not exist,",
    "                                     the cmd is excecuted",
    "",
    "IFENV <%ENVVAR%> <string> <command>  If %ENVVAR% is equal to <string>,",
    "                                     the command is excecuted",
    "IFNENV <%ENVVAR%> <string> <command> If %ENVVAR% is NOT equal to <string>,",
    "                                     the command is excecuted",
    "",
};

const Page kPage5 = {
    "Section and Key are not case sensitive, the value is case sensitive",
    "",
    "Lines with ; are comments, when a ? is in front of the command,",
    "then the action is only done if the key does not already exists.",
    "When a string contains %xxx%  then the corresponding environment variable",
    "is inserted. %% Is converted to %, so F:\\%%USER%%\\TEMP gives F:\\%USER%\\TEMP",
    "&[386enh]device=F:\\user\\%USER%\\TEMP\\vtda.386",
    "%USER% is replaced with the value of the environment variable",
    "%..% can be used in the Section, Key and Values of the CMD-File.",
    "",
    "You can use full IF-ELSE-ENDIF constructs.",
    "",
    "IF .....condition.....  ",
    "........normal commands....",
    "ELSE",
    "........normal commands....",
    "ENDIF",
    "",
    "You can nest IF structures",
};

const Page kPage6 = {
    "Allowed conditions:",
    "VIDEO and MONITOR not supported for non-DOS operating systems",
    "VESA not supported for non-DOS operating systems",
    "MEMBER OF ...... ",
    "ENV xx == != yyy ",
    "EXIST FILE xxx   ",
    "EXIST DIR  xxx   ",
    "EXIST ENV  xxx   ",
    "NEXIST FILE xxx   ",
    "NEXIST DIR  xxx   ",
    "NEXIST ENV  xxx   ",
    "DEVICE == != xxx  ",
};

const Page kPage7 = {
    "ININI SECTION [Section]         Returns true when the section exists",
    "ININI KEY [Section] Key         Returns true when the key exists in the section",
    "ININI VALUE [Section] Key Value Returns true when the value exists",
    "                                in the Section/key",
    "ININI CONTAINS SECTION [Section] <search>   Returns true, when <search> exists",
    "                                            in the section",
    "ININI CONTAINS KEY [Section] Key <search>   Returns true, when <search> exists",
    "                                            in the value of the given key",
    "INFILE <filename> SECTION [Section]         Returns true when the sect. exists",
    "INFILE <filename> KEY [Section] Key         Returns true when the key exists in",
    "                                            the section",
    "INFILE <filename> VALUE [Section] Key Value Returns true when the value exists",
    "                                            in the Section/key",
    "INFILE <fname> CONTAINS SECTION [Section] <search> Returns true, when <search>",
    "                                                   exists in the section",
    "INFILE <fname> CONTAINS KEY [Section] Key <search> Returns true, when <search>",
    "                                                   exists in the value of the",
    "                                                   given key",
};

const Page kPage8 = {
    "---------------- Example CMD-File --------------------------",
    "+[miracle]font=Helv : Adds key with value to section",
    "                    : If the section does not exist, it is created",
    "                    : If the key already exists only the value is changed",
    "&[386enh]device=vtda: The key with this value is inserted in the INI-File",
    "                    : regardless if already a key with this name exists",
    "                    : Is used for SYSTEM.INI section [devices]",
    "-[turbo]font=Helv   : The key Font is only deleted if it has the value Helv",
    "                    : Is used for SYSTEM.INI Section [devices]",
    "-[turbo]Font        : Deletes the key Font from the section Turbo",
    "-[Turbo]            : Deletes the complete section [Turbo]",
    "![Section]key=value : Is added in Section, as Key1=value.",
    "                    : If Key1 already exists, Key2 is added.",
    "r[Section]Txt1=Txt2 : In Section, each string Txt1 is replaced with Txt2.",
    "r[]Txt1=Txt2        : In the entiere ini-file Txt1 is replaced with Txt2.",
    "                    : You can even rename sections with this option.",
    ">[Windows]load=nwpopup.exe : Adds nwpopup to the load line, without deleting",
    "                           : the other load-commands",
    "/[Windows]load=nwpopup.exe : Same as above, but the new value is put in front",
    "<[Windows]load=nwpopup.exe : Removes it from the load line",
};

const Page* const kPages[] = {&kPage1, &kPage2, &kPage3, &kPage4,
                              &kPage5, &kPage6, &kPage7, &kPage8};

void Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void ShowHelp(RunContext& run) {
    WriteBanner(run);
    const size_t pageCount = sizeof kPages / sizeof kPages[0];
    for (size_t i = 0; i < pageCount; ++i) {
        for (std::string_view line : *kPages[i]) {
            Write(line);
            Write("\n");
        }
        Write("----- PRESS ANY KEY, ESC to abort -----");
        std::fflush(stdout);
        const int escape = 27;
        if (ReadKeyNoEcho() == escape) {
            return;
        }
        if (i + 1 < pageCount) {
            Write("\n");
        }
    }
    std::fflush(stdout);
}

}  // namespace rivel
