// Bounds-checked reading and writing of GRP words and strings.
#include "groups/grp_format.h"

namespace rivel {

const char* const kShowCommandNames[kShowCommandCount] = {
    "SW_HIDE", "SW_SHOWNORMAL", "SW_SHOWMINIMIZED",     "SW_SHOWMAXIMIZED", "SW_SHOWNOACTIVATE",
    "SW_SHOW", "SW_MINIMIZE",   "SW_SHOWMINNOACTIVATE", "SW_SHOWNA",        "SW_RESTORE"};

bool GrpView::Word(size_t offset, uint16_t& value) const {
    if (offset > bytes.size() || bytes.size() - offset < 2) {
        return false;
    }
    value = static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                  (static_cast<unsigned char>(bytes[offset + 1]) << 8));
    return true;
}

bool GrpView::String(size_t offset, std::string& value) const {
    if (offset >= bytes.size()) {
        return false;
    }
    size_t nul = bytes.find('\0', offset);
    if (nul == std::string_view::npos) {
        return false;
    }
    value.assign(bytes.substr(offset, nul - offset));
    return true;
}

void PutWord(std::string& image, uint16_t value) {
    image += static_cast<char>(value & 0xFF);
    image += static_cast<char>(value >> 8);
}

void SetWord(std::string& image, size_t offset, uint16_t value) {
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>(value >> 8);
}

uint16_t WordSum(std::string_view image) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < image.size(); i += 2) {
        sum +=
            static_cast<unsigned char>(image[i]) | (static_cast<unsigned char>(image[i + 1]) << 8);
    }
    return static_cast<uint16_t>(sum & 0xFFFF);
}

}  // namespace rivel
