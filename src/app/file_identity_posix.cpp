#include "file_identity.h"

#include "names/native_names.h"

#include <sys/stat.h>

namespace ferlane {

std::optional<FileIdentity> identifyFile(const std::wstring& path)
{
    struct stat status {};
    if (stat(nativeFromWide(path).c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace ferlane
