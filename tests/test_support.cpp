#include "tests/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kalvimo::test {

TempDir::TempDir() : path_(makeTempDir("kalvimo-test-")) {}

TempDir::~TempDir() {
    std::error_code ec;
    // Undo permission changes made by tests before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(fsPath(path_), ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(fsPath(path_), ec);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool fileExists(const std::string& path) { return existsItself(path); }

std::vector<std::string> dirEntries(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(fsPath(dir), ec)) {
        const std::u8string name = e.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bench::Bench()
    : dataRoot(tmp.file("data")),
      inputDir(tmp.file("in")),
      runner(DataDir(tmp.file("data")), environment()) {
    makeDir(dataRoot);
    makeDir(inputDir);
    input.dir = inputDir;
}

void Bench::addInput(const std::string& name, const std::string& content) {
    writeFile(under(inputDir, name), content);
    input.files.push_back(name);
}

void Bench::useFile(const std::string& name) {
    input.fileModeFlag = true;
    const auto it = std::find(input.files.begin(), input.files.end(), name);
    input.current = it == input.files.end() ? -1 : static_cast<int>(it - input.files.begin());
}

InsideFullRun::InsideFullRun(Bench& b, int progressSoFar, bool keepOutputs)
    : context(DataDir(b.dataRoot), b.environment()) {
    if (!keepOutputs) context.clearOutputs();
    context.setFullRun(true);
    for (int i = 0; i < progressSoFar; ++i) context.advanceProgress();
    b.rec.events.clear();
    b.rec.statuses.clear();
    b.rec.values.clear();
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace kalvimo::test
