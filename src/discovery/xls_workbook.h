// A spreadsheet workbook (Excel 97-2003 .xls: BIFF8 records in a compound
// file) whose cells are all text, formatted as text ("@"). Written without any
// spreadsheet program; pure, so it builds without windows.h.
#pragma once

#include <string>
#include <vector>

namespace xls {

// One sheet holds 65,536 rows; a longer table goes on in further sheets
// ("Sheet2", ...), each beginning with the heading row again.
constexpr int kRowsPerSheet = 65536;

// The bytes of a workbook: `heading` in row 1, then `rows` (UTF-16 cells).
std::string textWorkbook(const std::vector<std::u16string>& heading,
                         const std::vector<std::vector<std::u16string>>& rows);

// A compound file holding one stream (exposed for tests).
std::string compoundFile(const std::u16string& streamName, std::string stream);

}  // namespace xls
