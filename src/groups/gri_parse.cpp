// GRI text into a group definition: sections, keys ignoring case, numbers as 16-bit words.
#include "groups/gri_parse.h"

#include "base/message_log.h"
#include "groups/grp_format.h"
#include "text/strings.h"

namespace rivel {

uint16_t GriNumber(const std::string& text) {
    DecimalText number = SplitDecimal(text);
    // Kept modulo 2^16 as it goes: only the low word is stored, and nothing can overflow.
    uint32_t value = 0;
    for (char digit : number.digits) {
        value = (value * 10 + static_cast<uint32_t>(digit - '0')) & 0xFFFF;
    }
    if (number.negative) {
        value = (0x10000 - value) & 0xFFFF;
    }
    return static_cast<uint16_t>(value);
}

void GriParser::Line(const std::string& line) {
    if (line.empty() || line[0] == ';') {
        return;
    }
    if (line[0] == '[') {
        if (EqualsIgnoreCase(line, "[Group Info]")) {
            where_ = Where::Group;
            return;
        }
        where_ = Where::Item;
        GroupItem item;
        // "[Name]" gives Name: the first and the last character go, whatever they are.
        std::string name = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
        switch (options_.SwapMode) {
            case 0:
                item.title = name;
                break;
            case 1:
                item.command = name;
                break;
            case 2:
            case 3:
                break;
            default:
                LogMessage(run_.log, options_.VerboseMode, 1, "Unknown swapmode found", "");
                break;
        }
        group.items.push_back(std::move(item));
        return;
    }
    size_t eq = line.find('=');
    std::string key = line.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    switch (where_) {
        case Where::Group:
            GroupKey(key, value);
            break;
        case Where::Item:
            ItemKey(group.items.back(), key, value);
            break;
        case Where::Nowhere:
            // Belongs to no item: it cannot change the group, so it is only noted.
            LogMessage(run_.log, options_.VerboseMode, 3,
                       "GRP-CO    : Key before any section:", line);
            break;
    }
}

void GriParser::GroupKey(const std::string& key, const std::string& value) {
    std::string k = UpperCase(key);
    if (k == "DISPLAY") {
        for (int i = 0; i < kShowCommandCount; ++i) {
            if (EqualsIgnoreCase(value, kShowCommandNames[i])) {
                group.showCommand = static_cast<uint16_t>(i);
                return;
            }
        }
        console.push_back("Invalid Display=<" + value + "> in header");
    } else if (k == "UPPERLEFTX") {
        group.left = GriNumber(value);
    } else if (k == "UPPERLEFTY") {
        group.top = GriNumber(value);
    } else if (k == "LOWERRIGHTX") {
        group.right = GriNumber(value);
    } else if (k == "LOWERRIGHTY") {
        group.bottom = GriNumber(value);
    } else if (k == "POSX") {
        group.iconX = GriNumber(value);
    } else if (k == "POSY") {
        group.iconY = GriNumber(value);
    } else if (k == "PRGNAME") {
        group.name = value;
    } else {
        console.push_back("Invalid key found in header <" + key + ">");
    }
}

void GriParser::ItemKey(GroupItem& item, const std::string& key, const std::string& value) {
    std::string k = UpperCase(key);
    if (k == "ICONFILE") {
        item.iconFile = value;
    } else if (k == "COMMAND") {
        if (options_.SwapMode == 1) {
            console.push_back("Key <Command> found, but /s command in commandline");
        }
        item.command = value;
    } else if (k == "PATH") {
        item.path = value;
    } else if (k == "ICONTITLE") {
        if (options_.SwapMode == 0) {
            console.push_back("Key <IconTitle found>, but no /s command in commandline");
        }
        item.title = value;
    } else if (k == "ICONPOSX") {
        item.iconX = GriNumber(value);
    } else if (k == "ICONPOSY") {
        item.iconY = GriNumber(value);
    } else if (k == "ICONNR") {
        item.iconIndex = GriNumber(value);
    } else if (k == "MINIMIZED") {
        item.minimized = value == "1";
    } else if (k == "SHORTCUT") {
        item.hotKey = GriNumber(value);
    } else if (k == "EXEDIR") {
        item.exeDir = value;
    } else {
        console.push_back("Invalid key found in Icon <" + key + ">");
    }
}

}  // namespace rivel
