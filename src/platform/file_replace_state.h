// What a replacement in progress keeps on every platform; each platform's State adds its own
// handles to it. Only the replacement's own sources include this.
#pragma once

#include <string>

#include "platform/file_replace.h"

namespace rivel {

struct TempRegistration;

struct ReplacementFile::Common {
    std::string target;   // the resolved name
    std::string newName;  // the new file's name while it is written, for messages
    FilePermissions old;
    FilePermissions wanted;
    std::string buffer;
    bool failed = false;
    bool published = false;
    bool placed = false;
    TempRegistration* registration = nullptr;
};

}  // namespace rivel
