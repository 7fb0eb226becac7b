#include "standard_console.h"

#include <iostream>
#include <locale>
#include <stdexcept>

namespace ferlane {

void useUserLocale()
{
    useUserSystemLocale();
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        std::locale::global(std::locale::classic());
    }
    std::wcout.imbue(std::locale());
}

}  // namespace ferlane
