#include "engine/report_blocks.h"

#include "engine/text_ops.h"

namespace kalvimo {

void copyReportBody(LineReader& in, OutFile& out, std::string_view endText) {
    std::string_view line;
    while (in.next(line)) {
        out.writeLine(line);
        if (contains(line, endText)) break;
    }
    out.write("\r\n\r\n");
}

}  // namespace kalvimo
