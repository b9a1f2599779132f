// The LAZ reader on any bytes: it refuses with a message or hands on points,
// never reads beyond the file, spins without end or allocates beyond what
// the file holds (the run's memory limit catches that), and every point it
// hands on can go into a project.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "survey_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quarvelin;
  const std::string path = fuzz::WriteScratchFile("points.laz", data, size);
  PointFilter filter;
  if (size > 0 && data[size - 1] & 1) filter.classes.set(2);
  ReadCounts counts;
  std::string error;
  size_t handed = 0;
  auto sink = [&](const SurveyPoint& p) {
    if (CoordinateFault(p)) fuzz::Fail("point " + std::to_string(handed + 1) + " handed on: " + CoordinateFault(p));
    ++handed;
  };
  const bool read = ReadSurveyPoints(path, filter, sink, counts, error);
  if (read != error.empty() || counts.kept != handed) fuzz::Fail("the result and the error or counts disagree");
  return 0;
}
