// The help text of the help screens and the manual page.
#include "driver/help_text.h"

namespace rivel {

namespace {

using Lines = HelpLines;

const Lines kPage1 = {
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
    // Options added after the first edition of this page.
    "/k         Keep the layout of every line no command changes",
    "/p         Preview: show the changes as a diff, change nothing",
    "/x         Tell the outcome by the exit status: 0 ok, 1 command file",
    "           or line error, 2 file not written, 3 wrong command line",
    "/!         Do not show the banner line",
    "",
};

const Lines kPage2 = {
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

const Lines kPage3 = {
    ">[section]key=value  Add value to the existing values of key",
    "/[section]key=value  Same as > but value is inserted in front of other values",
    "<[section]key=value  Remove value from the existing values of key",
    "![section]key=value  Add a key with numeric value",
    "r[section]Txt1=Txt2  Each occurence of Txt1 is replaced with Txt2",
    "R[section]Txt1=Txt2  Same as r-command, but case must match",
    "s[section]Txt1=EVar  Then environment variable EVar is set to the",
    "                     corresponding value of Section/key",
};

const Lines kPage4 = {
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

const Lines kPage5 = {
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

const Lines kPage6 = {
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

const Lines kPage7 = {
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

const Lines kPage8 = {
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

}  // namespace

const std::vector<HelpLines>& HelpPages() {
    static const std::vector<HelpLines> pages = {kPage1, kPage2, kPage3, kPage4,
                                                 kPage5, kPage6, kPage7, kPage8};
    return pages;
}

const std::vector<std::string_view>& HelpPageTitles() {
    static const std::vector<std::string_view> titles = {"OPTIONS",
                                                         "CMD COMMANDS",
                                                         "LIST AND REPLACE COMMANDS",
                                                         "ONE-LINE IF COMMANDS",
                                                         "SUBSTITUTION AND IF BLOCKS",
                                                         "CONDITIONS",
                                                         "INI CONDITIONS",
                                                         "EXAMPLE CMD FILE"};
    return titles;
}

const ManualSection& ManualDescription() {
    static const ManualSection description = {
        "DESCRIPTION",
        {
            {"",
             "rivel maintains the configuration files of a workstation, unattended: INI and "
             "NET.CFG files, the registry and program group (GRP) files. It is driven by its "
             "command line and by the command files named there."},
            {"",
             "A CMD file holds one-line editing commands. They are collected and then applied "
             "to the INI file in one streaming pass that writes a temporary file; the INI file "
             "is replaced by it only when something changed, optionally after a backup copy "
             "with the extension .bak. An ICM file holds invocations of rivel, one per line, "
             "each run as if typed on the command line. An RCM file creates, changes and "
             "deletes registry keys and values. A GRP file is edited through its text form, "
             "the GRI file."},
            {"",
             "Command files share a small script language: %NAME% and $(NAME) substitution, "
             "IF/ELSE/ENDIF blocks, one-line conditions and user variables assigned with :=. "
             "Messages go to standard error (or the log file of /l) at the verbosity of /v."},
        }};
    return description;
}

const std::vector<ManualSection>& ManualSections() {
    static const std::vector<ManualSection> sections = {
        {"EXIT STATUS",
         {
             {"",
              "Without /x the exit status is 0, also after reported errors; only the GRI "
              "compiler ends with another status on its fatal errors. /x is an option of the "
              "command line: it speaks for every run of the process, the runs of an ICM "
              "file's lines included (on an ICM line it changes nothing). With /x:"},
             {"0", "every run finished and nothing failed."},
             {"1",
              "a command file or line had an error (syntax, missing input file, a command "
              "that could not be carried out)."},
             {"2",
              "a file could not be written or replaced; the file is then unchanged. The log "
              "file of /l counts as one: its messages then stay on standard error."},
             {"3", "wrong command line."},
         }},
        {"ENVIRONMENT",
         {
             {"TEMP, TMP, TMPDIR",
              "Not where rivel writes: the new version of every file it changes is made beside "
              "that file, on the same disk and never in a shared directory, and renamed over "
              "it. When none of them is set, a message at level 3 says so."},
             {"RIVEL_REGISTRY",
              "The directory of the registry store on POSIX systems (the registry text files "
              "system.reg, user.reg and userdef.reg)."},
             {"WINEPREFIX",
              "Without RIVEL_REGISTRY, the Wine prefix whose registry is edited; without both, "
              "$HOME/.local/share/rivel/registry."},
             {"ComSpec", "The command interpreter of E and EA lines on Windows."},
             {"RIVEL_LOCK_WAIT",
              "The seconds a run waits for another run's edit lock of a file, and for a "
              "program to write to a named pipe given as a file to read (30 when not set)."},
         }},
        {"FILES",
         {
             {"<name>.bak", "The backup of an INI file, made with /b."},
             {"<name>.GRb",
              "The backup of a group file made with /b: its name with the last letter made a "
              "\"b\". An existing backup is kept."},
             {"system.reg, user.reg, userdef.reg",
              "The registry store on POSIX systems, in the directory named above. rivel changes "
              "nothing while a wineserver holds the prefix."},
         }},
        {"NOTES",
         {
             {"",
              "The help pages are those of the first edition. Where they and the program "
              "differ, the program does as follows."},
             {"/t",
              "Shown by the help, but not an option: /t=<char> is reported as an invalid option "
              "(status 3 with /x)."},
             {"/o", "Accepted and ignored."},
             {"/s, /w", "Take one digit from 0 to 9; /w0 edits an INI file."},
             {"S[section]key=EVar",
              "The command that sets an environment variable is a capital S. A line that begins "
              "with a lower-case s, or with any other character that is no command (a key "
              "written without its command character), is ignored without a message; with /x "
              "it counts as an error of the command file."},
             {"}[section]key=value and {[section]key=value", "The same commands as > and <."},
             {"=",
              "Written before the command character: the key and its value are written "
              "separated by a blank instead of =, as in NET.CFG files."},
             {"IFNEXISTENV <ENVVAR> <command>",
              "Runs the command when the environment variable does not exist."},
             {"File names",
              "On POSIX systems an argument that starts with / and has a second / before its "
              "first = is a file name, not an option: /etc/app.ini is a file, /n=/etc/base.ini "
              "an option. A file in the root directory is named as /./app.ini."},
             {"$(_REGCONTEXTVALUE[...]...) and $(_REGCONTEXTSUBKEY[...]...)",
              "The key found is given as a key line of a registry command file: its path joined "
              "to the start key with a \\, as in [HKEY_LOCAL_MACHINE\\Software\\Firm] for "
              "the subkey Firm of HKEY_LOCAL_MACHINE\\Software (the first edition wrote "
              "[HKEY_LOCAL_MACHINE\\SoftwareFirm], a key that does not exist)."},
             {"Variables",
              "A variable's value is inserted up to its first line end; the rest is left out "
              "and reported, so that one line of a command file stays one line."},
             {"IF MEMBER OF <group>, IFMEMBER, IFNMEMBER",
              "A group's member list is read to its end even where a member's name cannot be "
              "looked up. Without a connection or a login name, nobody is a member."},
             {"Files read",
              "A file that is only read (a command file, the INI file of a condition, a base "
              "file) may be a named pipe: it is read once a program writes to it. A device "
              "other than a terminal or the null device is refused, as its reading would not "
              "end."},
             {"/l=<file>",
              "A symbolic link at the log file's name is neither followed nor replaced: the "
              "link is reported and the messages stay on standard error."},
         }},
        {"SECURITY",
         {
             {"",
              "Command files are programs. E and EA lines start their text as a command of "
              "the system's command interpreter, and IF lines evaluate their text as a "
              "condition, both after substitution: the value of an environment variable, a "
              "user variable or a system variable read from an INI file or the registry "
              "becomes part of the command or condition text. Run only command files you "
              "trust, and do not substitute text that others control into E, EA or IF "
              "lines."},
         }},
        {"EXAMPLES",
         {
             {"", "Apply SETUP.CMD to WIN.INI, keeping a backup:"},
             {"", "rivel /b WIN.INI SETUP.CMD", true},
             {"", "Add a key to a file under /etc and leave every other line as it is:"},
             {"",
              "echo \"+[Service]Restart=always\" > restart.cmd\n"
              "rivel /k /etc/agent.service restart.cmd",
              true},
             {"", "See what a run would change, then run it and test its outcome:"},
             {"", "rivel /p WIN.INI SETUP.CMD\nrivel /x WIN.INI SETUP.CMD || echo failed", true},
             {"", "Edit NET.CFG, a program group, and several files from one ICM file:"},
             {"", "rivel /w1 NET.CFG NETCFG.CMD\nrivel /g DEMO.GRP GROUP.CMD\nrivel /c SITE.ICM",
              true},
             {"", "The examples directory of the documentation holds these files."},
         }},
    };
    return sections;
}

}  // namespace rivel
