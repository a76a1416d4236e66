// The settings reader on any bytes, and the round trip of what it read.
#include "engine/settings_file.h"
#include "fuzz/fuzz_support.h"

using namespace kalvimo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const Settings s = parseSettings(content);
    FUZZ_CHECK(!s.readFailed || s.curDir == "c:\\");
    for (int state : s.checks.inOrder()) FUZZ_CHECK(state >= 0 && state <= 2);
    FUZZ_CHECK(!(s.optionFile && s.optionDir));
    if (s.readFailed) return 0;
    // What was read is written back so that it reads the same.
    const Settings again = parseSettings(formatSettings(s));
    FUZZ_CHECK(!again.readFailed);
    FUZZ_CHECK(again.curDir == s.curDir && again.station == s.station && again.checks == s.checks);
    FUZZ_CHECK(again.optionFile == s.optionFile && again.optionDir == s.optionDir);
    return 0;
}
