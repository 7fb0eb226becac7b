#pragma once

#include <streambuf>
#include <string_view>

namespace ferlane::support {

// Bytes as a pipe delivers them: a stream that can neither seek nor tell its
// length. The bytes are only read, and must outlive the buffer.
class ForwardOnlyBuffer : public std::streambuf {
public:
    explicit ForwardOnlyBuffer(std::string_view bytes)
    {
        char* begin = const_cast<char*>(bytes.data());  // no put area is ever set
        setg(begin, begin, begin + bytes.size());
    }
};

}  // namespace ferlane::support
