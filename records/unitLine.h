#pragma once

#include "unitRecord.h"

#include <string>

// One unit as one line of text, for the file that keeps units the station
// store could not take. A person reads it as name=value fields separated by
// tabs, named as the CSV's columns, times in UTC:
//
//   unit_id=3f6c...<TAB>start_utc=2026-05-20T08:00:00.000Z<TAB>...<TAB>ended=close
//
// Every byte of a text survives: a backslash, tab, line break or other control
// character and any byte that is not part of valid UTF-8 are written as \\, \t,
// \n, \r or \xHH, so the line never holds a line break, a NUL or broken UTF-8,
// and a damaged field never runs into the next line.
namespace unitLine {

// Without the line break.
std::string write(const UnitRecord &record);
// False, leaving record as it was, for a line not written by write(): a field
// missing, given twice or not readable (why says which). Fields of unknown
// names are skipped, so a later tool may add some. A unit read writes back as
// a line that reads as the same unit.
bool read(const std::string &line, UnitRecord &record, std::string *why = nullptr);

} // namespace unitLine
