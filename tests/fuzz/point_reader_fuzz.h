// What the LAS and LAZ targets check of a point reader on any bytes: it
// refuses with a message or hands on points, never reads beyond the file,
// spins without end or allocates beyond what the file holds (the run's memory
// limit catches that), and every point it hands on can go into a project.
#pragma once

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "survey_input.h"

namespace quarvelin::fuzz {

using PointReader = bool (*)(const std::string&, const PointFilter&, const PointSink&, ReadCounts&, std::string&);

// Reads the input as the file `name`; the last byte's low bit asks for ground
// points only, so both paths of the class filter are reached.
inline void CheckPointReader(PointReader read, const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile(name, data, size);
  PointFilter filter;
  if (size > 0 && data[size - 1] & 1) filter.classes.set(2);
  ReadCounts counts;
  std::string error;
  size_t handed = 0;
  auto sink = [&](const SurveyPoint& p) {
    if (CoordinateFault(p)) Fail("point " + std::to_string(handed + 1) + " handed on: " + CoordinateFault(p));
    ++handed;
  };
  const bool ok = read(path, filter, sink, counts, error);
  if (ok != error.empty() || counts.kept != handed) Fail("the result and the error or counts disagree");
}

}  // namespace quarvelin::fuzz
