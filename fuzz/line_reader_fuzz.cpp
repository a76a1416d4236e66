// The line reader against the plain splitting of the same bytes: every line, in order, with
// blocks as small as one byte, read in place or ahead, and the header search against a
// filter over those lines.
#include "engine/text_ops.h"
#include "fuzz/fuzz_support.h"
#include "platform/files.h"
#include "platform/line_reader.h"

using namespace kalvimo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputCursor in(data, size);
    const size_t blockSize = 1 + in.byte() % 64;
    const std::string needle(in.take(in.byte() % 6));
    const uint8_t mix = in.byte();  // which reads are searches
    const std::string content(in.rest());
    fuzz::resetScratch();
    const std::string path = fuzz::scratch() + "/input";
    fuzz::writeBytes(path, content);
    const std::vector<std::string> lines = splitLines(content);

    LineReader reader(blockSize, blockSize % 2 == 1);  // odd blocks are read ahead
    reader.open(path);
    std::string_view line;
    size_t i = 0;
    for (;; ++i) {
        if (!reader.next(line)) break;
        FUZZ_CHECK(i < lines.size() && line == lines[i]);
    }
    FUZZ_CHECK(i == lines.size());

    // Searches and plain reads mixed, as a report handler reads on after a header.
    reader.open(path);
    size_t at = 0;
    for (unsigned step = 0;; ++step) {
        if ((mix >> (step % 8)) & 1) {
            size_t want = at;
            while (want < lines.size() && !contains(lines[want], needle)) ++want;
            const bool got = reader.nextContaining(needle, line);
            FUZZ_CHECK(got == (want < lines.size()));
            if (!got) break;
            FUZZ_CHECK(line == lines[want]);
            at = want + 1;
        } else {
            const bool got = reader.next(line);
            FUZZ_CHECK(got == (at < lines.size()));
            if (!got) break;
            FUZZ_CHECK(line == lines[at]);
            ++at;
        }
    }
    reader.close();
    return 0;
}
