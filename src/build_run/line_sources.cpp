#include "build_run/line_sources.h"

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
void EnforceLine(const std::vector<LineVertex>& line, SegmentInserter& inserter, std::vector<PlanePosition>& plan) {
  plan.clear();
  for (const LineVertex& v : line) plan.push_back({v.x, v.y});
  inserter.InsertPolyline(plan);
}

// The over-long line is located by the last point read before its count,
// the end of the breakline before it: the point the message has always
// named.
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

}  // namespace

Result<BreaklinesEnd> EnforceBreaklineFile(const std::string& projectDirectory, SegmentInserter& inserter,
                                           const LineDone& lineDone) {
  const std::string path = BreaklineFilePath(projectDirectory);
  if (path.empty()) return {BreaklinesEnd::kRead, {}};
  LineFileReader reader(LineFileReader::Kind::kBreaklines);
  if (!reader.Open(ResolvePathCase(path))) {
    return {BreaklinesEnd::kNoFile, "未找到地性线文件：" + path + "，不加入地性线"};
  }
  int32_t lineCount = 0;
  if (!reader.ReadLineCount(lineCount)) return {BreaklinesEnd::kStopped, BreaklineDataMessage(path)};
  std::vector<LineVertex> line;
  std::vector<PlanePosition> plan;
  for (int32_t k = 1; k <= lineCount; ++k) {
    const LineRead read = reader.ReadLine(line);
    if (read == LineRead::kOverlong) return {BreaklinesEnd::kStopped, OverlongBreaklineMessage(reader, k)};
    // A line cut short by bad data is enforced as far as it was read.
    EnforceLine(line, inserter, plan);
    if (read != LineRead::kRead) return {BreaklinesEnd::kStopped, BreaklineDataMessage(path)};
    lineDone();
  }
  return {BreaklinesEnd::kRead, {}};
}

Status CountContourLines(const std::string& projectDirectory, ContourFiles& count) {
  {
    const std::string path = ContourCountPath(projectDirectory);
    TextScanner scan;
    // Contours were asked for: ending without a word would leave the user
    // guessing why nothing was built.
    if (!scan.Open(path)) return Failed("未找到等高线文件：" + path);
    if (!scan.ReadInt(count.files)) return Failed("等高线文件数目有误：" + path);
  }
  int64_t sum = 0;
  for (int32_t k = 1; k <= count.files; ++k) {
    const std::string path = ContourFilePath(projectDirectory, k);
    LineFileReader reader(LineFileReader::Kind::kContours);
    if (!reader.Open(path)) return Failed("未找到地形点数据文件!");
    int32_t lineCount = 0;
    if (!reader.ReadLineCount(lineCount)) return Failed(ContourDataMessage(path));
    // A line takes at least its header of three numbers: more lines than half
    // the file's bytes are not in it, and would be blamed on a later file
    // when the total overflows.
    const int64_t bytes = FileSize(path);
    if (bytes >= 0 && lineCount > bytes / 2) return Failed("等高线文件中的等高线条数超过文件所能容纳的条数：" + path);
    if ((sum += lineCount) > INT32_MAX) return Failed("等高线文件中的等高线总条数超出范围：" + path);
  }
  count.lines = static_cast<int32_t>(sum);
  return Done();
}

Status EnforceContourFile(const std::string& path, SegmentInserter& inserter, const LineDone& lineDone) {
  LineFileReader reader(LineFileReader::Kind::kContours);
  if (!reader.Open(path)) return Failed("未找到地形点数据文件!");
  const Status badData{true, ContourDataMessage(path)};
  int32_t lineCount = 0;
  if (!reader.ReadLineCount(lineCount)) return badData;
  std::vector<LineVertex> line;
  std::vector<PlanePosition> plan;
  for (int32_t k = 0; k < lineCount; ++k) {
    const LineRead read = reader.ReadLine(line);
    EnforceLine(line, inserter, plan);
    if (read != LineRead::kRead) return badData;
    lineDone();
  }
  return Done();
}

}  // namespace quarvelin
