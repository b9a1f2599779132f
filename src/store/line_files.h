// The breakline and contour files of a project, read line by line, for the
// build that enforces them and for the tools that show what it enforced.
//
// Breaklines: SLine.txt names the breakline file, which holds the number of
// lines and then, per line, its point count (at most kMaxBreaklinePoints) and
// its points as "x y z". Contours: fnum holds the number of contour files
// Point.1 ... Point.F; each holds a header "a b L c" with its line count L
// and, per line, "n h c" and n points "x y". All numbers are separated by any
// white space; a, b, c and n's c carry nothing the build uses, and h is the
// line's height where the tools that write the files keep it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_scan.h"

namespace quarvelin {

struct LineVertex {
  double x = 0;
  double y = 0;
  double z = 0;
};

// The files' names in the PMAP folder.
inline constexpr const char* kBreaklineNameFile = "SLine.txt";
inline constexpr const char* kContourCountFile = "fnum";
// Point.k, the k-th contour file (k from 1).
std::string ContourFileName(int32_t k);

// The breakline file's path as SLine.txt names it; empty when there is none.
std::string BreaklineFilePath(const std::string& projectDirectory);
std::string ContourCountPath(const std::string& projectDirectory);
std::string ContourFilePath(const std::string& projectDirectory, int32_t k);

// How reading one line went.
enum class LineRead {
  kRead,
  kBadLineHeader,  // its count (breaklines) or header (contours) is missing or not a number
  kBadPoints,      // the file ends, or holds a word that is not a number, within its points
  kOverlong,       // a breakline of more than kMaxBreaklinePoints points: nothing of it is read
};

// One breakline or contour file, read in order: the file header, then line
// after line. The files are read in the manner of the C scan formats.
class LineFileReader {
 public:
  enum class Kind { kBreaklines, kContours };

  explicit LineFileReader(Kind kind) : kind_(kind) {}

  bool Open(const std::string& path) { return scan_.Open(path); }

  // The number of lines the file header gives. False when the header is
  // missing or not numbers, or a contour file counts fewer than no lines.
  bool ReadLineCount(int32_t& lineCount);

  // The next line's points into `line`. A line whose points stop early
  // keeps those read. A count of 0 or less reads no points. A contour
  // line's points take the height of its header as z.
  LineRead ReadLine(std::vector<LineVertex>& line);

  // The last point read from the file, and whether there was one.
  const LineVertex& lastPoint() const { return last_; }
  bool pointRead() const { return pointRead_; }

 private:
  bool ReadPoint(double height);

  Kind kind_;
  TextScanner scan_;
  LineVertex last_;
  bool pointRead_ = false;
};

}  // namespace quarvelin
