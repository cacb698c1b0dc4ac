// The floor any .xlsx conversion stands on: inflating the sheet part, and inflating it while
// expat parses it with no handlers. Prints seconds for each.

#include <expat.h>
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Inflates the part in 64 KiB chunks, handing each chunk to the parser when there is one.
bool ReadPart(zip_t* archive, const char* part, XML_Parser parser) {
  zip_file_t* file = zip_fopen(archive, part, 0);
  if (!file) return false;
  std::vector<char> chunk(1 << 16);
  zip_int64_t got;
  bool ok = true;
  while (ok && (got = zip_fread(file, chunk.data(), chunk.size())) > 0)
    ok = !parser || XML_Parse(parser, chunk.data(), static_cast<int>(got), 0) == XML_STATUS_OK;
  zip_fclose(file);
  return ok && (!parser || XML_Parse(parser, nullptr, 0, 1) == XML_STATUS_OK);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: brelloquin-bench-baseline WORKBOOK.xlsx\n");
    return 2;
  }
  int error = 0;
  zip_t* archive = zip_open(argv[1], ZIP_RDONLY, &error);
  if (!archive) return 1;
  const char* part = "xl/worksheets/sheet1.xml";
  auto start = std::chrono::steady_clock::now();
  if (!ReadPart(archive, part, nullptr)) return 1;
  std::printf("inflate %.3f\n", Seconds(start));
  start = std::chrono::steady_clock::now();
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!ReadPart(archive, part, parser)) return 1;
  std::printf("inflate+expat %.3f\n", Seconds(start));
  XML_ParserFree(parser);
  zip_close(archive);
  return 0;
}
