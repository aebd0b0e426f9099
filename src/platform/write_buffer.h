// The write buffer of a new file, the same on every platform: short writes (a line at a time)
// are gathered into large pieces, so that a file of many lines costs few system calls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rivel {

inline constexpr size_t kWriteBufferSize = 1 << 16;

// Writes out what buffer holds through writeOut (which writes one piece to the file and says
// whether it could), leaving it empty.
template <typename WriteOut>
bool FlushWriteBuffer(std::string& buffer, WriteOut writeOut) {
    if (buffer.empty()) {
        return true;
    }
    bool written = writeOut(std::string_view(buffer));
    buffer.clear();
    return written;
}

// Writes bytes through buffer. Unbuffered (a file others already read as it grows), every write
// goes out at once.
template <typename WriteOut>
bool BufferedWrite(std::string& buffer, bool unbuffered, std::string_view bytes,
                   WriteOut writeOut) {
    if (!unbuffered && buffer.size() + bytes.size() <= kWriteBufferSize) {
        buffer.append(bytes);
        return true;
    }
    if (!FlushWriteBuffer(buffer, writeOut)) {
        return false;
    }
    if (!unbuffered && bytes.size() <= kWriteBufferSize) {
        buffer.append(bytes);
        return true;
    }
    return writeOut(bytes);
}

}  // namespace rivel
