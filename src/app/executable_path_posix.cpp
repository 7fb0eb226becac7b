#include "executable_path.h"

#include "names/native_names.h"

#include <string>

#include <unistd.h>

namespace ferlane {

std::wstring executablePath()
{
    // The link's target has no length limit of its own: grow until it fits whole.
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) {
            return std::wstring();
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return wideFromNative(target);
        }
        target.resize(target.size() * 2);
    }
}

}  // namespace ferlane
