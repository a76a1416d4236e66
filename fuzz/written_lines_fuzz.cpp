// The lines of a result file, split from its written buffers on their own thread: whatever the
// bytes and however they are written (small pieces, pieces longer than the buffer), the sink
// is given exactly the lines a read of the finished file gives, long ones in pieces that join
// up, and a long line's offset is where it begins in the file.
#include <string>
#include <vector>

#include "engine/written_lines.h"
#include "fuzz/fuzz_support.h"
#include "platform/files.h"

using namespace kalvimo;

namespace {

struct Collected : LineSink {
    std::vector<std::string> lines;
    std::vector<unsigned long long> longOffsets;
    std::string longLine;
    bool inLong = false;
    void line(std::string_view text) override {
        FUZZ_CHECK(!inLong);
        lines.emplace_back(text);
    }
    void beginLongLine(std::string_view head, unsigned long long offset) override {
        FUZZ_CHECK(!inLong);
        inLong = true;
        longLine.assign(head);
        longOffsets.push_back(offset);
    }
    void continueLongLine(std::string_view bytes) override {
        FUZZ_CHECK(inLong);
        longLine.append(bytes);
    }
    void endLongLine() override {
        FUZZ_CHECK(inLong);
        inLong = false;
        lines.push_back(std::move(longLine));
        longLine.clear();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputCursor in(data, size);
    // The first bytes say how the rest is cut into writes.
    const std::string cuts(in.take(in.byte() % 16));
    const std::string bytes(in.rest());
    static const std::string path = [] {
        fuzz::resetScratch();
        return fuzz::scratch() + "/out.log";
    }();

    Collected sink;
    {
        WrittenLines lines(sink);
        OutFile out;
        out.setTap(&lines);
        out.create(path);
        size_t at = 0;
        for (size_t i = 0; at < bytes.size(); ++i) {
            const size_t n = cuts.empty() ? bytes.size() : 1 + static_cast<unsigned char>(cuts[i % cuts.size()]) * 3;
            out.write(std::string_view(bytes).substr(at, n));
            at += n;
        }
        out.close();
        out.setTap(nullptr);
        FUZZ_CHECK(lines.finish() == nullptr);
    }
    FUZZ_CHECK(!sink.inLong);
    FUZZ_CHECK(sink.lines == splitLines(bytes));
    const std::string file = fuzz::readBytes(path);
    FUZZ_CHECK(file == bytes);
    // A long line begins where a line begins: at the start or after an LF.
    for (unsigned long long offset : sink.longOffsets)
        FUZZ_CHECK(offset < file.size() && (offset == 0 || file[offset - 1] == '\n'));
    return 0;
}
