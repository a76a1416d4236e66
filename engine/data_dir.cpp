#include "engine/data_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files.h"

namespace kalvimo {

std::string DataDir::homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string DataDir::defaultRoot() { return joinPath(homeDirectory(), "KARDOVELNIST"); }

std::string DataDir::file(std::string_view name) const { return joinPath(root_, name); }
std::string DataDir::logDir() const { return joinPath(root_, "log"); }
std::string DataDir::errorDir() const { return joinPath(root_, "error"); }
std::string DataDir::logFile(std::string_view name) const { return joinPath(logDir(), name); }
std::string DataDir::errorFile(std::string_view name) const { return joinPath(errorDir(), name); }

void DataDir::ensureOutputDirs() const {
    ensureDirectory(logDir());
    ensureDirectory(errorDir());
}

}  // namespace kalvimo
