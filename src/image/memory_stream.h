#pragma once

#include <cstddef>
#include <ios>
#include <streambuf>
#include <string>

namespace ferlane {

// Files in memory, through the standard streams the reader and writer take.

// Bytes already in memory, read in place as a seekable stream, so that the BMP
// reader can check a picture's length against its header exactly as it does for
// a file on disk. The bytes are never written through and must outlive the stream.
class MemoryStream : public std::streambuf {
public:
    MemoryStream(const char* bytes, std::size_t length)
    {
        char* begin = const_cast<char*>(bytes);  // read only: no put area is ever set
        setg(begin, begin, begin + length);
    }

protected:
    pos_type seekoff(off_type offset, std::ios::seekdir direction, std::ios::openmode which) override
    {
        const off_type base = direction == std::ios::beg   ? 0
                              : direction == std::ios::cur ? gptr() - eback()
                                                           : egptr() - eback();
        return seekpos(pos_type(base + offset), which);
    }

    pos_type seekpos(pos_type position, std::ios::openmode) override
    {
        const off_type at = position;
        if (at < 0 || at > egptr() - eback()) {
            return pos_type(off_type(-1));
        }
        setg(eback(), eback() + at, egptr());
        return position;
    }
};

// Appends what is written to a string, into the room reserved in it: a file made
// in memory, such as the browser page's results.
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
