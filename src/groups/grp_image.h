// Building the binary image of a GRP file from a group definition.
#pragma once

#include <string>

#include "groups/gri_parse.h"

namespace rivel {

// Lays the group out as a GRP file (header, item table, name, items with their strings, tag
// records only when an item needs one) with the checksum set so that all words add up to 0.
// False when the group does not fit the format: its data must be addressable by 16-bit offsets
// and a working directory must fit a tag record.
bool BuildGrpImage(const GroupDef& group, std::string& image);

}  // namespace rivel
