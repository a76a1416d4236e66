#include "engine/report_blocks.h"

namespace kalvimo {

void copyReportBody(LineReader& in, OutFile& out, std::string_view endText) {
    std::string_view line;
    while (in.next(line)) {
        out.writeLine(line);
        if (line.find(endText) != std::string_view::npos) break;
    }
    out.write("\r\n\r\n");
}

}  // namespace kalvimo
