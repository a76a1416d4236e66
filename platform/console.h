#pragma once
// The window program on Windows has no console of its own (no console window flashes when it
// starts); what it prints for --version and --help goes to the console it was started from.
namespace kalvimo {

// Windows: writes standard output and error to the console of the program that started this
// one, when there is one and they are not redirected. Elsewhere nothing to do. Part of the
// system layer (platform/system.h).
void useParentConsole();

}  // namespace kalvimo
