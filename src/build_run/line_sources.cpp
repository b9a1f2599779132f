#include "build_run/line_sources.h"

#include <algorithm>
#include <string>
#include <vector>

#include "breaklines/segment_insertion.h"
#include "platform/system.h"
#include "platform/text_scan.h"
#include "platform/text_writer.h"
#include "store/line_files.h"

namespace quarvelin {

namespace {

// Forces each pair of consecutive points of the line into the network.
void EnforceLine(const std::vector<LineVertex>& line, SegmentInserter& inserter, ProgressReporter& reporter,
                 std::vector<PlanePosition>& plan) {
  plan.clear();
  for (const LineVertex& v : line) plan.push_back({v.x, v.y});
  inserter.InsertPolyline(plan);
  ShowSegmentMessages(inserter, reporter);
}

std::string OverlongBreaklineMessage(const LineFileReader& reader, int32_t lineNumber) {
  std::string text;
  if (!reader.pointRead()) {
    // No point has been read yet to locate the line by.
    text = "第";
    AppendInt(text, lineNumber);
    return text + "条地性线点数有误，请查错!";
  }
  const LineVertex& last = reader.lastPoint();
  text = "坐标X=";
  AppendFixed(text, last.x);
  text += " Y=";
  AppendFixed(text, last.y);
  text += " Z=";
  AppendFixed(text, last.z);
  return text + " 所在地性线点数有误，请查错!";
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
    LineFileReader reader(LineFileReader::Kind::kContours);
    if (!reader.Open(path)) {
      reporter.ShowMessage("未找到地形点数据文件!");
      return false;
    }
    int32_t lineCount = 0;
    if (!reader.ReadLineCount(lineCount)) {
      reporter.ShowMessage(ContourDataMessage(path));
      return false;
    }
    // A line takes at least its header of three numbers: more lines than half
    // the file's bytes are not in it, and would be blamed on a later file
    // when the total overflows.
    const int64_t bytes = FileSize(path);
    if (bytes >= 0 && lineCount > bytes / 2) {
      reporter.ShowMessage("等高线文件中的等高线条数超过文件所能容纳的条数：" + path);
      return false;
    }
    if ((sum += lineCount) > INT32_MAX) {
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
// Bad data ends the file, after the message, with the lines before it and
// what was read of the faulty line enforced.
bool EnforceContourFile(const std::string& path, SegmentInserter& inserter, ProgressReporter& reporter,
                        int32_t total, int32_t& done) {
  LineFileReader reader(LineFileReader::Kind::kContours);
  if (!reader.Open(path)) {
    reporter.ShowMessage("未找到地形点数据文件!");
    return false;
  }
  int32_t lineCount = 0;
  if (!reader.ReadLineCount(lineCount)) {
    reporter.ShowMessage(ContourDataMessage(path));
    return true;
  }
  std::vector<LineVertex> line;
  std::vector<PlanePosition> plan;
  for (int32_t k = 0; k < lineCount; ++k) {
    const LineRead read = reader.ReadLine(line);
    EnforceLine(line, inserter, reporter, plan);
    if (read != LineRead::kRead) {
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
  LineFileReader reader(LineFileReader::Kind::kBreaklines);
  if (!reader.Open(ResolvePathCase(path))) {
    reporter.ShowNote("未找到地性线文件：" + path + "，不加入地性线");
    return;
  }
  int32_t lineCount = 0;
  if (!reader.ReadLineCount(lineCount)) {
    reporter.ShowMessage(BreaklineDataMessage(path));
    return;
  }
  std::vector<LineVertex> line;
  std::vector<PlanePosition> plan;
  for (int32_t k = 1; k <= lineCount; ++k) {
    const LineRead read = reader.ReadLine(line);
    if (read == LineRead::kOverlong) {
      reporter.ShowMessage(OverlongBreaklineMessage(reader, k));
      return;
    }
    // A line cut short by bad data is enforced as far as it was read.
    EnforceLine(line, inserter, reporter, plan);
    if (read != LineRead::kRead) {
      reporter.ShowMessage(BreaklineDataMessage(path));
      return;
    }
  }
}

bool EnforceContours(const std::string& project, SegmentInserter& inserter, ProgressReporter& reporter) {
  reporter.ResetBar();
  int32_t fileCount = 0;
  {
    const std::string path = ContourCountPath(project);
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
