// libFuzzer target: quarvelin-prepare's LAZ reader on arbitrary bytes. The
// input is written to a file, as the reader streams from one; every input
// must end in points or a message, never a crash, a hang or a leak.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "survey_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/laz-fuzz-" + std::to_string(getpid()) + ".laz";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  quarvelin::PointFilter filter;
  filter.classes.set(2);
  quarvelin::ReadCounts counts;
  std::string error;
  double sum = 0;
  quarvelin::ReadSurveyPoints(path, filter, [&sum](const quarvelin::SurveyPoint& p) { sum += p.x + p.y + p.z; },
                              counts, error);
  return 0;
}
