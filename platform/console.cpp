#include "platform/console.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#endif

namespace kalvimo {

void useParentConsole() {
#ifdef _WIN32
    // Redirected output already has a handle and stays where it goes.
    if (GetStdHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace kalvimo
