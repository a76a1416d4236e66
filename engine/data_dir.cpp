#include "engine/data_dir.h"

#include "platform/files.h"
#include "platform/system.h"

namespace kalvimo {

std::string DataDir::homeDirectory() { return sys::homeDirectory(); }

std::string DataDir::defaultRoot() {
    return sys::kWindows ? "c:\\KARDOVELNIST" : joinPath(homeDirectory(), "KARDOVELNIST");
}

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
