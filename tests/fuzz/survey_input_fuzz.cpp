// The text readers of quarvelin-prepare on any bytes, as survey points and as
// polylines: each refuses with a message naming the file or gives points and
// vertices that can go into a project, in bounded memory.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "survey_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quarvelin;
  const std::string path = fuzz::WriteScratchFile("survey.txt", data, size);
  std::string error;
  ReadCounts counts;
  auto check = [&](const SurveyPoint& p) {
    if (const char* fault = CoordinateFault(p)) fuzz::Fail(std::string("a point was handed on: ") + fault);
  };
  const bool points = ReadSurveyPoints(path, PointFilter{}, check, counts, error);
  if (points == (error.find(path) == 0)) fuzz::Fail("survey points: the result and the error disagree: " + error);
  error.clear();
  std::vector<Polyline> lines;
  const bool polylines = ReadPolylines(path, lines, error);
  if (polylines == (error.find(path) == 0)) fuzz::Fail("polylines: the result and the error disagree: " + error);
  for (const Polyline& line : lines) {
    for (const SurveyPoint& v : line) check(v);
  }
  return 0;
}
