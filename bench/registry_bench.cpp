// The registry benchmark: generates a system.reg of 200,000 values (about 20 MB) in 2,000 keys
// and a REGEDIT4 file of 10,000 values, then times rivel /r on it against a plain line copy of
// the hive file and, where Wine is installed, against wine regedit /s of the same file into a
// prefix holding the same keys. Prints the times, both ratios and rivel's peak memory.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_util.h"

namespace fs = std::filesystem;
using bench::Quote;
using bench::Seconds;

namespace {

constexpr int kKeys = 2000;
constexpr int kValuesPerKey = 100;
constexpr int kChanges = 10000;

std::string KeyName(int k) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Key%05d", k);
    return buffer;
}

// The keys in registry file form, as Wine writes them (one empty line before each key).
void WriteKeys(std::ofstream& out) {
    std::string buffer;
    char line[160];
    for (int k = 0; k < kKeys; ++k) {
        buffer += "\n[Software\\\\Bench\\\\" + KeyName(k) + "] 1700000000\n#time=1da0c7e5f4c3b2a\n";
        for (int v = 0; v < kValuesPerKey; ++v) {
            std::snprintf(line, sizeof line,
                          "\"Value%03d\"=\"setting %d of key %d in C:\\\\Program Files\\\\Common "
                          "Files\\\\Vendor\\\\App\\\\bin\\\\tool.exe\"\n",
                          v, v, k);
            buffer += line;
        }
        if (buffer.size() > (1 << 20)) {
            out << buffer;
            buffer.clear();
        }
    }
    out << buffer;
}

void WriteHive(const fs::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    WriteKeys(out);
}

// 10,000 values in groups of ten per key line: changed values, new values and DWORDs.
void WriteRegFile(const fs::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "REGEDIT4\n";
    uint64_t state = 0x9e3779b97f4a7c15ull;
    auto next = [&](uint32_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>((state >> 33) % bound);
    };
    for (int i = 0; i < kChanges; ++i) {
        if (i % 10 == 0) {
            out << "\n[HKEY_LOCAL_MACHINE\\Software\\Bench\\" << KeyName(next(kKeys)) << "]\n";
        }
        switch (i % 3) {
            case 0: {
                // A value the key holds (Value000 to Value099).
                char name[16];
                std::snprintf(name, sizeof name, "Value%03d", next(kValuesPerKey));
                out << "\"" << name << "\"=\"changed " << i << "\"\n";
                break;
            }
            case 1:
                out << "\"New" << i << "\"=\"C:\\\\new\\\\" << i << "\"\n";
                break;
            default:
                out << "\"Count" << i << "\"=dword:0000" << 1000 + next(8999) << "\n";
                break;
        }
    }
}

bool OnPath(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path self = fs::absolute(argv[0]).parent_path();
    fs::path rivel = argc > 1 ? fs::absolute(argv[1]) : self.parent_path() / "rivel";
    fs::path copy = self / "plain_copy";
    fs::path dir = fs::absolute("rivel-registry-bench-files");
    fs::path store = dir / "store";
    fs::create_directories(store);

    std::printf(
        "generating system.reg with %d values in %d keys and a REGEDIT4 file of %d values...\n",
        kKeys * kValuesPerKey, kKeys, kChanges);
    WriteHive(dir / "system.reg");
    WriteRegFile(dir / "BENCH.REG");
    std::printf("hive file       : %8.1f MB\n", fs::file_size(dir / "system.reg") / 1e6);

    // A registry file has normally been on the disk for a while: the fresh copy is flushed
    // first, so that its writing does not count against rivel's own flush.
    auto freshStore = [&] {
        fs::copy_file(dir / "system.reg", store / "system.reg",
                      fs::copy_options::overwrite_existing);
        std::system(("sync " + Quote(store / "system.reg")).c_str());
    };
    // The shell sets the variable itself: through env(1) rivel's time would hold one more
    // program start than the copy's.
    const std::string rivelRun = "RIVEL_REGISTRY=" + Quote(store) + " " + Quote(rivel) +
                                 " /v0 /r " + Quote(dir / "BENCH.REG");
    const std::string copyRun =
        Quote(copy) + " " + Quote(dir / "system.reg") + " " + Quote(dir / "copy.reg");
    // The best of five runs each, the two taking turns and each right after the same fresh
    // copy of the hive, so that both meet the same moments of a busy machine and disk.
    double tCopy = 1e9;
    double tRivel = 1e9;
    for (int i = 0; i < 5; ++i) {
        freshStore();
        tCopy = std::min(tCopy, Seconds(copyRun));
        freshStore();
        tRivel = std::min(tRivel, Seconds(rivelRun));
    }
    std::printf("plain line copy : %8.3f s\n", tCopy);
    std::printf("rivel /r        : %8.3f s\n", tRivel);
    std::printf("ratio to copy   : %8.2f (target: at most 2)\n", tRivel / tCopy);

    if (OnPath("wine") && OnPath("wineserver")) {
        fs::path prefix = dir / "prefix";
        std::string env =
            "WINEPREFIX=" + Quote(prefix) + " WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ";
        Seconds(env + "wine wineboot -i >/dev/null 2>&1; " + env + "wineserver -w");
        {
            std::ofstream out(prefix / "system.reg", std::ios::binary | std::ios::app);
            WriteKeys(out);
        }
        // The import counts until the server has written the registry back.
        double tWine = Seconds(env + "wine regedit /s " + Quote(dir / "BENCH.REG") +
                               " >/dev/null 2>&1; " + env + "wineserver -w");
        std::printf("wine regedit /s : %8.3f s\n", tWine);
        std::printf("wine / rivel    : %8.2f (target: at least 10)\n", tWine / tRivel);
    } else {
        std::printf("wine regedit /s : skipped, wine is not installed\n");
    }

    freshStore();
    long peak = bench::PeakKiB("env " + rivelRun, dir / "peak.txt");
    if (peak >= 0) {
        std::printf("peak memory     : %ld KiB\n", peak);
    }
    if (std::getenv("RIVEL_BENCH_KEEP") == nullptr) {
        fs::remove_all(dir);
    }
    return 0;
}
