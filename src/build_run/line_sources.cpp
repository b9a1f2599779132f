#include "build_run/line_sources.h"

#include <algorithm>
#include <string>
#include <vector>

#include "breaklines/segment_insertion.h"
#include "platform/system.h"
#include "platform/text_scan.h"
#include "platform/text_writer.h"

namespace quarvelin {

namespace {

constexpr int32_t kMaxBreaklinePoints = 5000;

struct LinePoint {
  double x = 0;
  double y = 0;
  double z = 0;
};

bool ReadPoint(TextScanner& scan, bool withHeight, LinePoint& p) {
  return scan.ReadDouble(p.x) && scan.ReadDouble(p.y) && (!withHeight || scan.ReadDouble(p.z));
}

// Reads the `count` points of one line (count >= 1) and forces each pair of
// consecutive points into the network. `last` receives every point as it is
// read. False when the file ends early or holds a word that is not a number;
// the segments before it are enforced all the same.
bool EnforceLine(TextScanner& scan, int32_t count, bool withHeight, SegmentInserter& inserter,
                 ProgressReporter& reporter, std::vector<PlanePosition>& line, LinePoint& last) {
  line.clear();
  bool complete = true;
  for (int32_t k = 0; k < count && complete; ++k) {
    complete = ReadPoint(scan, withHeight, last);
    if (complete) line.push_back({last.x, last.y});
  }
  inserter.InsertPolyline(line);
  ShowSegmentMessages(inserter, reporter);
  return complete;
}

std::string OverlongBreaklineMessage(bool pointRead, const LinePoint& last, int32_t lineNumber) {
  std::string text;
  if (!pointRead) {
    // No point has been read yet to locate the line by.
    text = "第";
    AppendInt(text, lineNumber);
    return text + "条地性线点数有误，请查错!";
  }
  text = "坐标X=";
  AppendFixed(text, last.x);
  text += " Y=";
  AppendFixed(text, last.y);
  text += " Z=";
  AppendFixed(text, last.z);
  return text + " 所在地性线点数有误，请查错!";
}

// The breakline file's path, as SLine.txt names it; empty when there is none.
std::string BreaklineFilePath(const std::string& projectDirectory) {
  TextScanner scan;
  std::string path;
  if (!scan.Open(ProjectFilePath(projectDirectory, "pmap", "SLine.txt"))) return path;
  scan.ReadWord(path);
  return path;
}

std::string ContourFilePath(const std::string& projectDirectory, int32_t k) {
  std::string name = "Point.";
  AppendInt(name, k);
  return ProjectFilePath(projectDirectory, "pmap", name);
}

struct ContourHeader {
  double unused1 = 0;
  double unused2 = 0;
  int32_t lineCount = 0;
  int32_t unused3 = 0;
};

bool ReadContourHeader(TextScanner& scan, ContourHeader& h) {
  return scan.ReadDouble(h.unused1) && scan.ReadDouble(h.unused2) && scan.ReadInt(h.lineCount) &&
         scan.ReadInt(h.unused3) && h.lineCount >= 0;
}

std::string ContourDataMessage(const std::string& path) { return "等高线文件数据有误：" + path; }
std::string BreaklineDataMessage(const std::string& path) { return "地性线文件数据有误：" + path; }

// First pass: every contour file must be there with a readable header; the
// total of their line counts. False, after the message, when the run must end.
bool CountContourLines(const std::string& projectDirectory, int32_t fileCount, ProgressReporter& reporter,
                       int32_t& total) {
  int64_t sum = 0;
  for (int32_t k = 1; k <= fileCount; ++k) {
    const std::string path = ContourFilePath(projectDirectory, k);
    TextScanner scan;
    if (!scan.Open(path)) {
      reporter.ShowMessage("未找到地形点数据文件!");
      return false;
    }
    ContourHeader header;
    if (!ReadContourHeader(scan, header)) {
      reporter.ShowMessage(ContourDataMessage(path));
      return false;
    }
    // A line takes at least its header of three numbers: more lines than half
    // the file's bytes are not in it, and would be blamed on a later file
    // when the total overflows.
    const int64_t bytes = FileSize(path);
    if (bytes >= 0 && header.lineCount > bytes / 2) {
      reporter.ShowMessage("等高线文件中的等高线条数超过文件所能容纳的条数：" + path);
      return false;
    }
    if ((sum += header.lineCount) > INT32_MAX) {
      reporter.ShowMessage("等高线文件中的等高线总条数超出范围：" + path);
      return false;
    }
  }
  total = static_cast<int32_t>(sum);
  return true;
}

// Percentage of the lines done; a file that grew since it was counted must
// not push the figure beyond what an int holds.
int32_t DonePercent(int32_t done, int32_t total) {
  if (total <= 0) return 100;
  return static_cast<int32_t>(std::min(done * 100.0 / total, 2147483647.0));
}

// Second pass over one contour file. False when it can no longer be opened.
bool EnforceContourFile(const std::string& path, SegmentInserter& inserter, ProgressReporter& reporter,
                        int32_t total, int32_t& done) {
  std::vector<PlanePosition> points;
  TextScanner scan;
  if (!scan.Open(path)) {
    reporter.ShowMessage("未找到地形点数据文件!");
    return false;
  }
  ContourHeader header;
  if (!ReadContourHeader(scan, header)) {
    reporter.ShowMessage(ContourDataMessage(path));
    return true;
  }
  for (int32_t line = 0; line < header.lineCount; ++line) {
    int32_t count = 0, unusedCode = 0;
    double unusedHeight = 0;
    LinePoint last;
    if (!scan.ReadInt(count) || !scan.ReadDouble(unusedHeight) || !scan.ReadInt(unusedCode) ||
        (count >= 1 && !EnforceLine(scan, count, false, inserter, reporter, points, last))) {
      reporter.ShowMessage(ContourDataMessage(path));
      return true;
    }
    ++done;
    reporter.SetDone(done);
    const int32_t percent = DonePercent(done, total);
    std::string text;
    AppendInt(text, percent);
    reporter.SetBarText(text + "%");
    reporter.SetBarPos(percent);
  }
  return true;
}

}  // namespace

void ShowSegmentMessages(SegmentInserter& inserter, ProgressReporter& reporter) {
  for (const std::string& message : inserter.TakeMessages()) reporter.ShowMessage(message);
}

void EnforceBreaklines(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter) {
  const std::string path = BreaklineFilePath(projectDirectory);
  if (path.empty()) return;
  TextScanner scan;
  if (!scan.Open(ResolvePathCase(path))) {
    reporter.ShowNote("未找到地性线文件：" + path + "，不加入地性线");
    return;
  }
  int32_t lineCount = 0;
  if (!scan.ReadInt(lineCount)) {
    reporter.ShowMessage(BreaklineDataMessage(path));
    return;
  }
  LinePoint last;
  bool pointRead = false;
  std::vector<PlanePosition> points;
  for (int32_t line = 1; line <= lineCount; ++line) {
    int32_t count = 0;
    if (!scan.ReadInt(count)) {
      reporter.ShowMessage(BreaklineDataMessage(path));
      return;
    }
    if (count > kMaxBreaklinePoints) {
      reporter.ShowMessage(OverlongBreaklineMessage(pointRead, last, line));
      return;
    }
    // A count of 0 or less has no points to read.
    if (count < 1) continue;
    pointRead = true;
    if (!EnforceLine(scan, count, true, inserter, reporter, points, last)) {
      reporter.ShowMessage(BreaklineDataMessage(path));
      return;
    }
  }
}

bool EnforceContours(const std::string& project, SegmentInserter& inserter, ProgressReporter& reporter) {
  reporter.ResetBar();
  int32_t fileCount = 0;
  {
    const std::string path = ProjectFilePath(project, "pmap", "fnum");
    TextScanner scan;
    if (!scan.Open(path)) {
      // Contours were asked for: ending without a word would leave the user
      // guessing why nothing was built.
      reporter.ShowMessage("未找到等高线文件：" + path);
      return false;
    }
    if (!scan.ReadInt(fileCount)) {
      reporter.ShowMessage("等高线文件数目有误：" + path);
      return false;
    }
  }
  int32_t total = 0;
  if (!CountContourLines(project, fileCount, reporter, total)) return false;

  reporter.SetStatus("正在处理等高线，请稍候...");
  reporter.SetCaptions("需处理的等高线条数：", "完成等高线条数：");
  reporter.SetTotal(total);
  int32_t done = 0;
  for (int32_t k = 1; k <= fileCount; ++k) {
    if (!EnforceContourFile(ContourFilePath(project, k), inserter, reporter, total, done)) return false;
  }
  return true;
}

}  // namespace quarvelin
