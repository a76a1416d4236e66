#pragma once
// The date and time at the end of a rep48.log line: the last characters of the report's header.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kalvimo {

// Seconds from 1970-01-01 00:00:00 of the exchange's own clock (no time zone). Read from the
// end of the line, blanks around allowed: a date "dd-mm-yyyy", "dd.mm.yyyy", "dd-mm-yy" or
// "yyyy-mm-dd" (the separator "-", "." or "/", the same twice), blanks, and "hh:mm:ss" or
// "hh:mm". Both stand alone (a blank or the line's start before the date). Two-digit years
// are 1970 to 2069. Anything else, an impossible day or time included, gives nothing.
std::optional<std::int64_t> lineTime(std::string_view line);

// Days since 1970-01-01 and back, proleptic Gregorian.
std::int64_t daysFromCivil(int year, unsigned month, unsigned day);
void civilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day);

}  // namespace kalvimo
