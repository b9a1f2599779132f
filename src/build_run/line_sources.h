// The breakline and contour files of a project (store/line_files.h), forced
// into the network line by line. The build run shows what they report.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "breaklines/segment_insertion.h"
#include "store/result.h"

namespace quarvelin {

// Told after every line the network has taken whole.
using LineDone = std::function<void()>;

enum class BreaklinesEnd {
  kRead,     // every breakline read, or there is no breakline file
  kNoFile,   // SLine.txt names a file that cannot be opened: a note, no breaklines
  kStopped,  // an over-long line or bad data ended the reading (message)
};

// The breaklines named by SLine.txt. The lines before an over-long one, and
// what was read of a line cut short by bad data, stay in the network. Never
// ends the run.
Result<BreaklinesEnd> EnforceBreaklineFile(const std::string& projectDirectory, SegmentInserter& inserter,
                                           const LineDone& lineDone);

struct ContourFiles {
  int32_t files = 0;  // as fnum counts them
  int32_t lines = 0;  // the total of their line counts
};

// The first pass: fnum, and every contour file there with a readable header.
// Fails when the run must end, before any contour is enforced.
Status CountContourLines(const std::string& projectDirectory, ContourFiles& count);

// The second pass over one contour file. Fails when the file can no longer
// be opened: the run ends. Bad data ends the file early, with the message,
// and the lines before it and what was read of the faulty line enforced: the
// run goes on with the next file.
Status EnforceContourFile(const std::string& path, SegmentInserter& inserter, const LineDone& lineDone);

}  // namespace quarvelin
