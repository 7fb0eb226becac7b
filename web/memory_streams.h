#pragma once

#include "image/memory_stream.h"

#include <streambuf>
#include <string>

namespace ferlane {

// Appends what is written to a string, using the room reserved in it.
class StringOutput : public std::streambuf {
public:
    explicit StringOutput(std::string& text) : text_(text) {}

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            text_.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* bytes, std::streamsize count) override
    {
        text_.append(bytes, static_cast<std::size_t>(count));
        return count;
    }

private:
    std::string& text_;
};

}  // namespace ferlane
