// Writes the workbook of a list file, for the spreadsheet reader check:
//   xls_sample <list file> <workbook>
#include <cstdio>

#include "discovery/item_list_workbook.h"
#include "discovery/list_file.h"
#include "util/file_io.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xls_sample <list file> <workbook>\n");
    return 2;
  }
  auto bytes = fileio::readWholeFile(argv[1]);
  if (!bytes) return 1;
  return fileio::writeWholeFile(argv[2], itemListWorkbook(listfile::parse(*bytes))) ? 0 : 1;
}
