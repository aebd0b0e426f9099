// libFuzzer target for registry files: any bytes are parsed as a registry file. A file that is
// accepted must survive having every key's values read, one value changed and the file written:
// the text written must be accepted again, and every value must read back as it was formatted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry/hive_file.h"
#include "registry/hive_text.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    rivel::Hive hive;
    std::string error;
    if (!hive.Parse(input, error)) {
        return 0;
    }
    std::vector<rivel::HiveKey*> pending{&hive.Root()};
    rivel::HiveKey* last = nullptr;
    while (!pending.empty()) {
        rivel::HiveKey* key = pending.back();
        pending.pop_back();
        Check(hive.LoadValues(*key));  // text in memory can always be read again
        for (rivel::HiveValue& value : key->values) {
            // The name known before the value is read is the name its line gives.
            const std::u16string name = rivel::Hive::NameOf(*key, value);
            const rivel::HiveValueText* text = hive.ValueOf(*key, value);
            Check(text != nullptr && text->name == name);
            rivel::HiveValueText back;
            std::string lines = rivel::FormatValueLines(*text);
            // Continued hex lines are joined as the reader joins them.
            std::string joined;
            for (size_t i = 0; i < lines.size(); ++i) {
                if (lines[i] == '\\' && i + 1 < lines.size() && lines[i + 1] == '\n') {
                    i += 3;  // "\\\n  "
                    continue;
                }
                if (lines[i] != '\n') {
                    joined.push_back(lines[i]);
                }
            }
            Check(rivel::ParseValueLine(joined, back));
            Check(back.name == text->name && back.type == text->type && back.data == text->data);
        }
        for (auto& sub : key->subkeys) {
            pending.push_back(sub.get());
        }
        last = key;
    }
    if (last != nullptr && last != &hive.Root()) {
        rivel::HiveValueText value;
        value.name = u"fuzz";
        value.type = 1;
        value.data = rivel::WideToBytes(std::u16string(u"x\0", 2));
        rivel::Hive::SetValue(*last, value);
    }
    rivel::Hive again;
    Check(again.Parse(hive.Write(1, 2), error));
    return 0;
}
