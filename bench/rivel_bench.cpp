// The INI run benchmark: generates an INI file of 1,000,000 lines in 10,000 sections and a CMD
// file of 10,000 mixed commands, then times rivel on it against a plain line copy of the same
// file, and reports both times, their ratio and rivel's peak memory at two file sizes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "bench_util.h"
#include "platform/environment.h"

namespace fs = std::filesystem;

namespace {

struct Random {
    uint64_t state = 0x9e3779b97f4a7c15ull;
    uint32_t Next(uint32_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>((state >> 33) % bound);
    }
};

void WriteIni(const fs::path& path, int sections, int linesPerSection) {
    std::ofstream out(path, std::ios::binary);
    std::string buffer;
    for (int s = 0; s < sections; ++s) {
        buffer += "[Section" + std::to_string(s) + "]\n";
        for (int k = 1; k < linesPerSection; ++k) {
            buffer += "Key" + std::to_string(k) + "=value " + std::to_string(s) +
                      " item.exe other.dll " + std::to_string(k) + "\n";
        }
        if (buffer.size() > (1 << 20)) {
            out << buffer;
            buffer.clear();
        }
    }
    out << buffer;
}

void WriteCmd(const fs::path& path, int sections, int linesPerSection, int commands) {
    std::ofstream out(path, std::ios::binary);
    Random r;
    for (int i = 0; i < commands; ++i) {
        std::string s = "[Section" + std::to_string(r.Next(sections)) + "]";
        std::string k = "Key" + std::to_string(1 + r.Next(linesPerSection - 1));
        switch (i % 10) {
            case 0:
                out << "+" << s << k << "=changed " << i << "\n";
                break;
            case 1:
                out << "+" << s << "NewKey" << i << "=added\n";
                break;
            case 2:
                out << "&" << s << k << "=another value\n";
                break;
            case 3:
                out << "!" << s << "File=c:\\doc" << i << ".txt\n";
                break;
            case 4:
                out << "-" << s << k << "\n";
                break;
            case 5:
                out << ">" << s << k << "=nwpopup.exe\n";
                break;
            case 6:
                out << "<" << s << k << "=item.exe\n";
                break;
            case 7:
                out << "#" << s << k << "\n";
                break;
            case 8:
                out << "r" << s << "other.dll=new.dll\n";
                break;
            default:
                out << "+[NewSection" << i << "]Key=value\n";
                break;
        }
    }
}

using bench::Quote;
using bench::Seconds;

// Best times of five runs each of the copy and of rivel (on a fresh copy of the INI file),
// taking turns, so that both meet the same moments of a busy machine.
std::pair<double, double> TimeBoth(const fs::path& copy, const fs::path& rivel, const fs::path& dir,
                                   const fs::path& ini, const fs::path& cmd) {
    double bestCopy = 1e9, bestRivel = 1e9;
    for (int i = 0; i < 5; ++i) {
        bestCopy = std::min(
            bestCopy, Seconds(Quote(copy) + " " + Quote(ini) + " " + Quote(dir / "COPY.INI")));
        fs::copy_file(ini, dir / "RUN.INI", fs::copy_options::overwrite_existing);
        bestRivel = std::min(bestRivel, Seconds(Quote(rivel) + " /v0 /! " + Quote(dir / "RUN.INI") +
                                                " " + Quote(cmd)));
    }
    return {bestCopy, bestRivel};
}

// Peak resident memory of one rivel run in KiB, where /usr/bin/time can tell it.
long PeakKiB(const fs::path& rivel, const fs::path& dir, const fs::path& ini, const fs::path& cmd) {
    fs::copy_file(ini, dir / "RUN.INI", fs::copy_options::overwrite_existing);
    return bench::PeakKiB(Quote(rivel) + " /v0 /! " + Quote(dir / "RUN.INI") + " " + Quote(cmd),
                          dir / "peak.txt");
}

}  // namespace

int main(int argc, char** argv) {
    fs::path self = fs::absolute(argv[0]).parent_path();
    fs::path rivel = self.parent_path() / "rivel";
    // --commands=N: the size of the CMD file (10,000 unless given; 100,000 is the large mode).
    int commands = 10000;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--commands=", 0) == 0) {
            commands = std::max(1, std::atoi(arg.c_str() + 11));
        } else {
            rivel = fs::absolute(arg);
        }
    }
    fs::path copy = self / "plain_copy";
    fs::path dir = fs::absolute("rivel-bench-files");
    fs::create_directories(dir);
    // The temporary file on the same disk as the INI file, as in a normal installation.
    rivel::PutEnvVar("TEMP", dir.string());

    const int sections = 10000, perSection = 100;
    std::printf("generating %d lines in %d sections and %d commands...\n", sections * perSection,
                sections, commands);
    WriteIni(dir / "BENCH.INI", sections, perSection);
    WriteCmd(dir / "BENCH.CMD", sections, perSection, commands);
    WriteIni(dir / "QUARTER.INI", sections / 4, perSection);

    const auto [tCopy, tRivel] = TimeBoth(copy, rivel, dir, dir / "BENCH.INI", dir / "BENCH.CMD");
    std::printf("plain line copy : %8.3f s\n", tCopy);
    std::printf("rivel           : %8.3f s\n", tRivel);
    std::printf("ratio           : %8.2f (target: at most %s)\n", tRivel / tCopy,
                commands > 10000 ? "1.5" : "3");

    long quarter = PeakKiB(rivel, dir, dir / "QUARTER.INI", dir / "BENCH.CMD");
    long full = PeakKiB(rivel, dir, dir / "BENCH.INI", dir / "BENCH.CMD");
    if (full >= 0) {
        std::printf("peak memory     : %ld KiB for 250,000 lines, %ld KiB for 1,000,000 lines\n",
                    quarter, full);
    }
    if (std::getenv("RIVEL_BENCH_KEEP") == nullptr) {
        fs::remove_all(dir);
    }
    return 0;
}
