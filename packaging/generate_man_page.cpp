// quorrel-man-page PROGRAM TEMPLATE OUTPUT VERSION: writes PROGRAM's manual
// page from its template and its tables, at build time.

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "packaging/man_page_facts.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: quorrel-man-page PROGRAM TEMPLATE OUTPUT VERSION\n";
    return 1;
  }
  const auto facts = man::FactsOf(argv[1]);
  if (!facts) {
    std::cerr << "quorrel-man-page: no tables for the program " << argv[1] << "\n";
    return 1;
  }
  std::ifstream in(argv[2], std::ios::binary);
  const std::string pageTemplate((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string page = man::FillPage(pageTemplate, *facts, argv[4]);
  if (!in || page.empty()) {
    std::cerr << "quorrel-man-page: " << argv[2] << " cannot be read or lacks a placeholder line\n";
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << page;
  out.close();
  if (!out) {
    std::cerr << "quorrel-man-page: " << argv[3] << " cannot be written\n";
    return 1;
  }
  return 0;
}
