// The GRP image: layout, tag records and checksum.
#include "groups/grp_image.h"

#include <algorithm>

#include "groups/grp_format.h"

namespace rivel {

namespace {

void PutText(std::string& image, const std::string& text) {
    image += text;
    image += '\0';
}

void PutTagHead(std::string& tags, uint16_t id, uint16_t item, uint16_t size) {
    PutWord(tags, id);
    PutWord(tags, item);
    PutWord(tags, size);
}

}  // namespace

bool BuildGrpImage(const GroupDef& group, std::string& image) {
    const size_t n = group.items.size();
    if (n > 0xFFFF) {
        return false;
    }
    uint16_t right = group.right;
    uint16_t bottom = group.bottom;
    if (right == 0 && bottom == 0 && n > 0) {
        right = static_cast<uint16_t>(n <= 8 ? 80 * n : 640);
        bottom = static_cast<uint16_t>(93 * (n / 8 + 1));
    }

    image.assign(kGrpItemTable + 2 * std::max<size_t>(n, 1), '\0');
    const size_t nameOffset = image.size();
    PutText(image, group.name);

    for (size_t i = 0; i < n; ++i) {
        const GroupItem& item = group.items[i];
        const size_t itemOffset = image.size();
        image.append(kItemSize, '\0');
        const size_t titleOffset = image.size();
        PutText(image, item.title.value_or(""));
        // An item without a command gets an empty command line of its own, so that its command
        // offset never points at the icon path or the next item.
        const size_t commandOffset = image.size();
        PutText(image, item.exeDir.value_or("") + item.command.value_or(""));
        size_t iconOffset = 0;
        if (item.iconFile) {
            iconOffset = image.size();
            PutText(image, *item.iconFile);
        }
        if (image.size() > kMaxGroupData) {
            return false;
        }
        SetWord(image, kGrpItemTable + 2 * i, static_cast<uint16_t>(itemOffset));
        SetWord(image, itemOffset + kItemIconX, item.iconX);
        SetWord(image, itemOffset + kItemIconY, item.iconY);
        SetWord(image, itemOffset + kItemIconIndex, item.iconIndex);
        SetWord(image, itemOffset + kItemTitle, static_cast<uint16_t>(titleOffset));
        SetWord(image, itemOffset + kItemCommand, static_cast<uint16_t>(commandOffset));
        SetWord(image, itemOffset + kItemIconPath, static_cast<uint16_t>(iconOffset));
    }
    const size_t groupDataSize = image.size();
    if (groupDataSize > kMaxGroupData) {
        return false;
    }

    std::string tags;
    for (size_t i = 0; i < n; ++i) {
        const GroupItem& item = group.items[i];
        const uint16_t slot = static_cast<uint16_t>(i);
        if (item.hotKey != 0) {
            PutTagHead(tags, kTagHotKey, slot, 8);
            PutWord(tags, item.hotKey);
        }
        if (item.minimized) {
            PutTagHead(tags, kTagMinimized, slot, kTagHeadSize);
        }
        if (item.path) {
            size_t size = kTagHeadSize + item.path->size() + 1;
            if (size > 0xFFFF) {
                return false;
            }
            PutTagHead(tags, kTagPath, slot, static_cast<uint16_t>(size));
            PutText(tags, *item.path);
        }
    }
    if (!tags.empty()) {
        PutTagHead(image, kTagFirst, kNoItem, kFirstTagSize);
        image += kGrpIdentifier;
        image += tags;
        PutTagHead(image, kTagEnd, kNoItem, 0);
    }

    image.replace(0, 4, kGrpIdentifier);
    SetWord(image, kGrpDataSize, static_cast<uint16_t>(groupDataSize));
    SetWord(image, kGrpShowCommand, group.showCommand);
    SetWord(image, kGrpLeft, group.left);
    SetWord(image, kGrpTop, group.top);
    SetWord(image, kGrpRight, right);
    SetWord(image, kGrpBottom, bottom);
    SetWord(image, kGrpIconX, group.iconX);
    SetWord(image, kGrpIconY, group.iconY);
    SetWord(image, kGrpNameOffset, static_cast<uint16_t>(nameOffset));
    SetWord(image, kGrpItemCount, static_cast<uint16_t>(std::max<size_t>(n, 1)));
    SetWord(image, kGrpChecksum, static_cast<uint16_t>(0x10000 - WordSum(image)));
    return true;
}

}  // namespace rivel
