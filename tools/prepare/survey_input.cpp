#include "survey_input.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "las_reader.h"
#include "platform/system.h"

namespace quarvelin {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Longest line the readers take: far beyond any line of numbers, short enough
// that a file without line ends (a device, a binary file) is refused at once
// rather than read into memory whole.
constexpr size_t kMaxLineLength = 1 << 16;

// Lines of a text file, numbered from 1, without their line ends, read in
// large blocks. A line longer than kMaxLineLength or a failed read ends the
// lines with fault() set.
class LineReader {
 public:
  bool Open(const std::string& path, std::string& error) {
    if (IsDirectory(path)) {
      error = path + ": is a folder, not a file";
      return false;
    }
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) error = path + ": cannot open the file";
    return file_ != nullptr;
  }
  bool Next(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
      if (pos_ == size_ && !Fill()) break;
      any = true;
      const char* start = block_.data() + pos_;
      const void* lf = std::memchr(start, '\n', size_ - pos_);
      size_t length = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) : size_ - pos_;
      if (line.size() + length > kMaxLineLength) {
        fault_ = "line " + std::to_string(number_ + 1) + " is longer than " + std::to_string(kMaxLineLength) +
                 " characters: not a text file of numbers";
        return false;
      }
      line.append(start, length);
      pos_ += length;
      if (lf) {
        ++pos_;
        break;
      }
    }
    if (!any || !fault_.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  long number() const { return number_; }
  // Why the lines ended early; empty at the end of the file.
  const std::string& fault() const { return fault_; }
  uint64_t offset() const { return consumed_ - (size_ - pos_); }

 private:
  bool Fill() {
    block_.resize(1 << 20);
    size_ = std::fread(block_.data(), 1, block_.size(), file_.get());
    consumed_ += size_;
    pos_ = 0;
    if (size_ == 0 && std::ferror(file_.get())) fault_ = "cannot read the file";
    return size_ > 0;
  }

  std::unique_ptr<std::FILE, FileCloser> file_;
  std::vector<char> block_;
  size_t pos_ = 0, size_ = 0;
  uint64_t consumed_ = 0;  // bytes taken from the file into blocks
  long number_ = 0;
  std::string fault_;
};

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\v' || c == '\f'; }

// Splits a line into numbers; false if any field is not a number.
bool ParseNumbers(const std::string& line, std::vector<double>& values) {
  values.clear();
  const char* p = line.data();
  const char* end = p + line.size();
  while (p < end) {
    while (p < end && IsSeparator(*p)) ++p;
    if (p == end || *p == '#') break;  // the rest of the line is a comment
    if (*p == '+') ++p;
    double v = 0;
    auto [stop, ec] = std::from_chars(p, end, v);
    if (ec != std::errc() || (stop < end && !IsSeparator(*stop))) return false;
    values.push_back(v);
    p = stop;
  }
  return true;
}

bool IsBlankOrComment(const std::string& line) {
  for (char c : line) {
    if (c == '#') return true;
    if (!IsSeparator(c)) return false;
  }
  return true;
}

std::string Where(const std::string& path, long line) { return path + ":" + std::to_string(line) + ": "; }

// False with `error` set when the lines ended at a fault, not at the end.
bool EndedCleanly(const LineReader& in, const std::string& path, std::string& error) {
  if (in.fault().empty()) return true;
  error = path + ": " + in.fault();
  return false;
}

}  // namespace

bool ParseClassList(const std::string& text, PointFilter& filter) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    unsigned code = 0;
    auto [stop, ec] = std::from_chars(p, end, code);
    if (ec != std::errc() || code > 255 || (stop < end && *stop != ',')) return false;
    filter.classes.set(code);
    p = stop < end ? stop + 1 : stop;
  }
  return filter.classes.any();
}

bool ReadSurveyPoints(const std::string& path, const PointFilter& filter, const PointSink& sink, ReadCounts& counts,
                      std::string& error) {
  if (HasLasSignature(path)) return ReadLasPoints(path, filter, sink, counts, error);
  LineReader in;
  if (!in.Open(path, error)) return false;
  std::string line;
  std::vector<double> values;
  bool first = true;
  while (in.Next(line)) {
    if (IsBlankOrComment(line)) continue;
    bool numeric = ParseNumbers(line, values);
    if (!numeric && first) {
      first = false;  // a header line
      continue;
    }
    first = false;
    if (!numeric || values.size() < 3) {
      error = Where(path, in.number()) + "expected three numbers x y z, found '" + line + "'";
      return false;
    }
    const SurveyPoint p{values[0], values[1], values[2]};
    if (const char* fault = CoordinateFault(p)) {
      error = Where(path, in.number()) + fault + ": '" + line + "'";
      return false;
    }
    counts.bytesRead = in.offset();
    sink(p);
    ++counts.kept;
  }
  return EndedCleanly(in, path, error);
}

bool ReadPolylines(const std::string& path, std::vector<Polyline>& lines, std::string& error) {
  LineReader in;
  if (!in.Open(path, error)) return false;
  std::string line;
  std::vector<double> values;
  while (in.Next(line)) {
    if (IsBlankOrComment(line)) continue;
    // The count goes to files the build reads with "%d".
    if (!ParseNumbers(line, values) || values.size() != 1 || !(values[0] >= 0 && values[0] <= INT32_MAX) ||
        values[0] != std::floor(values[0])) {
      error = Where(path, in.number()) + "expected the vertex count of a polyline (0 to " +
              std::to_string(INT32_MAX) + "), found '" + line + "'";
      return false;
    }
    const auto count = static_cast<size_t>(values[0]);
    Polyline polyline;
    while (polyline.size() < count) {
      if (!in.Next(line)) {
        if (!EndedCleanly(in, path, error)) return false;
        error = Where(path, in.number()) + "the file ends inside a polyline of " + std::to_string(count) + " vertices";
        return false;
      }
      if (IsBlankOrComment(line)) continue;
      if (!ParseNumbers(line, values) || values.size() < 2 || values.size() > 3) {
        error = Where(path, in.number()) + "expected a vertex x y z, found '" + line + "'";
        return false;
      }
      SurveyPoint v{values[0], values[1], values.size() == 3 ? values[2] : 0.0};
      if (const char* fault = CoordinateFault(v)) {
        error = Where(path, in.number()) + fault + ": '" + line + "'";
        return false;
      }
      polyline.push_back(v);
    }
    lines.push_back(std::move(polyline));
  }
  return EndedCleanly(in, path, error);
}

const char* CoordinateFault(const SurveyPoint& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return "a coordinate is not a finite number";
  if (!(std::fabs(p.x) <= kMaxPlanCoordinate && std::fabs(p.y) <= kMaxPlanCoordinate)) {
    return "x or y lies beyond 1e11 from 0, where doubles are too coarse for the build's matching within 0.0001";
  }
  return nullptr;
}

}  // namespace quarvelin
