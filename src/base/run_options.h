// The settings of one run, scanned from the command line (or from an ICM line, which gets a copy).
#pragma once

#include <cstdint>
#include <string>

namespace rivel {

struct RunOptions {
    int32_t Help = 0;
    int32_t NoBanner = 0;
    int32_t VerboseMode = 4;
    int32_t CreateIni = 0;  // 0 missing INI is an error, 1 create empty, 2 create from base file
    int32_t IcmFile = 0;
    int32_t CompileGri = 0;
    int32_t DecompileGrp = 0;
    int32_t SwapMode = 0;
    int32_t Backup = 0;
    int32_t GrpCmd = 0;
    int32_t CfgMode = 0;
    char Delimiter = '=';
    int32_t RegistryFile = 0;
    int32_t RcmSignature = 0;
    int32_t RcmUnicode = 0;  // the RCM file is a REGEDIT5 export: hex text data is UTF-16LE
    int32_t Preview = 0;     // /p: change nothing, show what would change
    int32_t ExitStatus = 0;  // /x: the exit status tells whether something failed
    // 1 = a rewritten INI file keeps the layout of every line no command changes (/k).
    int32_t KeepLayout = 0;
    std::string FileName1;
    std::string FileName2;
};

}  // namespace rivel
