#include "survey_input.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "las_reader.h"

namespace quarvelin {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Lines of a text file, numbered from 1, without their line ends, read in
// large blocks.
class LineReader {
 public:
  bool Open(const std::string& path) {
    file_.reset(std::fopen(path.c_str(), "rb"));
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
      line.append(start, length);
      pos_ += length;
      if (lf) {
        ++pos_;
        break;
      }
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  long number() const { return number_; }

 private:
  bool Fill() {
    block_.resize(1 << 20);
    size_ = std::fread(block_.data(), 1, block_.size(), file_.get());
    pos_ = 0;
    return size_ > 0;
  }

  std::unique_ptr<std::FILE, FileCloser> file_;
  std::vector<char> block_;
  size_t pos_ = 0, size_ = 0;
  long number_ = 0;
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
  if (!in.Open(path)) {
    error = path + ": cannot open the file";
    return false;
  }
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
    if (!std::isfinite(values[0]) || !std::isfinite(values[1]) || !std::isfinite(values[2])) {
      error = Where(path, in.number()) + "a coordinate is not a finite number: '" + line + "'";
      return false;
    }
    sink({values[0], values[1], values[2]});
    ++counts.kept;
  }
  return true;
}

bool ReadPolylines(const std::string& path, std::vector<Polyline>& lines, std::string& error) {
  LineReader in;
  if (!in.Open(path)) {
    error = path + ": cannot open the file";
    return false;
  }
  std::string line;
  std::vector<double> values;
  while (in.Next(line)) {
    if (IsBlankOrComment(line)) continue;
    if (!ParseNumbers(line, values) || values.size() != 1 || values[0] < 0 || values[0] != static_cast<long>(values[0])) {
      error = Where(path, in.number()) + "expected the vertex count of a polyline, found '" + line + "'";
      return false;
    }
    long count = static_cast<long>(values[0]);
    Polyline polyline;
    while (static_cast<long>(polyline.size()) < count) {
      if (!in.Next(line)) {
        error = Where(path, in.number()) + "the file ends inside a polyline of " + std::to_string(count) + " vertices";
        return false;
      }
      if (IsBlankOrComment(line)) continue;
      if (!ParseNumbers(line, values) || values.size() < 2 || values.size() > 3) {
        error = Where(path, in.number()) + "expected a vertex x y z, found '" + line + "'";
        return false;
      }
      SurveyPoint v{values[0], values[1], values.size() == 3 ? values[2] : 0.0};
      if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
        error = Where(path, in.number()) + "a coordinate is not a finite number: '" + line + "'";
        return false;
      }
      polyline.push_back(v);
    }
    lines.push_back(std::move(polyline));
  }
  return true;
}

}  // namespace quarvelin
