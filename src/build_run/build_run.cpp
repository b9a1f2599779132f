#include "build_run/build_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "boundary/boundary_clipping.h"
#include "boundary/boundary_trimming.h"
#include "build_run/line_sources.h"
#include "build_run/sjw_export.h"
#include "platform/system.h"
#include "platform/text_scan.h"
#include "platform/text_writer.h"
#include "store/grid_index.h"
#include "store/line_files.h"
#include "store/model_store.h"
#include "store/point_import.h"
#include "tin/location_index.h"
#include "tin/network_validation.h"
#include "tin/point_insertion.h"
#include "tin/work_stack.h"

namespace quarvelin {

namespace {

// The insertion's done counter starts at 5, one more than the frame corners,
// and so ends at pointCount + 1: the counter and the bar have always shown
// it so, and a survey of a few points fills the bar past 100.
constexpr int32_t kFirstDoneCount = 5;

// The speed text adds 1 to triangles per second before the fraction is cut:
// the figure the summary and TIN.inf have always given.
constexpr double kSpeedOffset = 1.0;

std::string PercentText(int32_t percent) {
  std::string text;
  AppendInt(text, percent);
  return text + "%";
}

void AppendTwoDigits(std::string& out, int64_t value) {
  if (value < 10) out.push_back('0');
  AppendInt(out, value);
}

bool WriteBuildInfo(const std::string& path, const BuildSummary& summary, bool contours) {
  TextWriter out;
  if (!out.Open(path)) return false;
  std::string text;
  AppendInt(text, summary.points);
  text += "  ";  // two spaces, as TIN.inf has always had them
  AppendInt(text, summary.triangles);
  text += "\n";
  text += contours ? "1\n" : "0\n";
  text += summary.timeText + "\n";
  text += summary.speedText + "\n";
  out.Write(ToGbk(text));
  return out.Close();
}

// Shows the message of a step's result, if it has one; whether the step was
// done.
bool Report(const Status& status, ProgressReporter& reporter) {
  if (!status.message.empty()) reporter.ShowMessage(status.message);
  return status.ok();
}

// Shows what the enforcements of segments since the last call had to tell
// the user.
void ShowSegmentMessages(SegmentInserter& inserter, ProgressReporter& reporter) {
  for (const std::string& message : inserter.TakeMessages()) reporter.ShowMessage(message);
}

// Percentage of the contour lines done; a file that grew since it was
// counted must not push the figure beyond what an int holds.
int32_t DonePercent(int32_t done, int32_t total) {
  if (total <= 0) return 100;
  return static_cast<int32_t>(std::min(done * 100.0 / total, 2147483647.0));
}

// The rings the build clips to: the file the options name, else the
// project's own. None: the build trims. Fails when the file cannot be read.
Status ReadClipRings(const std::string& projectDirectory, const BuildOptions& options, BoundaryRings& rings) {
  std::string path = options.boundaryFile;
  if (path.empty()) {
    path = ProjectFilePath(projectDirectory, kProjectFolder, kProjectRingFile);
    if (FileSize(path) < 0) return Done();
  }
  return ReadBoundaryRings(ResolvePathCase(path), rings);
}

// Clips to the rings when the build has them, trims otherwise. False when
// the build must end: a ring that could not be forced in is not clipped
// through the gap.
bool AdjustBoundary(ModelStore& store, SegmentInserter& segments, const BoundaryRings& rings,
                    const BuildOptions& options, ProgressReporter& reporter, BuildOutcome& outcome) {
  if (rings.rings.empty()) {
    reporter.SetStatus("正在自动调整TIN边界...");
    if (!Report(TrimBoundary(store, options.maxBoundaryEdge), reporter)) ++outcome.failedOutputs;
    return true;
  }
  reporter.SetStatus("正在按边界线裁剪TIN...");
  const Result<ClipEnd> clipped = ClipToRings(store, segments, rings);
  ShowSegmentMessages(segments, reporter);
  if (!clipped.message.empty()) reporter.ShowMessage(clipped.message);
  if (clipped.code == ClipEnd::kEdgeFileFailed) ++outcome.failedOutputs;
  return clipped.code != ClipEnd::kRefused;
}

}  // namespace

void EnforceBreaklines(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter) {
  const Result<BreaklinesEnd> read =
      EnforceBreaklineFile(projectDirectory, inserter, [&] { ShowSegmentMessages(inserter, reporter); });
  ShowSegmentMessages(inserter, reporter);
  if (read.code == BreaklinesEnd::kNoFile) reporter.ShowNote(read.message);
  else if (!read.message.empty()) reporter.ShowMessage(read.message);
}

bool EnforceContours(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter) {
  reporter.ResetBar();
  ContourFiles count;
  if (!Report(CountContourLines(projectDirectory, count), reporter)) return false;
  reporter.SetStatus("正在处理等高线，请稍候...");
  reporter.SetCaptions("需处理的等高线条数：", "完成等高线条数：");
  reporter.SetTotal(count.lines);
  int32_t done = 0;
  const LineDone lineDone = [&] {
    ShowSegmentMessages(inserter, reporter);
    ++done;
    reporter.SetDone(done);
    const int32_t percent = DonePercent(done, count.lines);
    reporter.SetBarText(PercentText(percent));
    reporter.SetBarPos(percent);
  };
  for (int32_t k = 1; k <= count.files; ++k) {
    const Status file = EnforceContourFile(ContourFilePath(projectDirectory, k), inserter, lineDone);
    ShowSegmentMessages(inserter, reporter);
    if (!Report(file, reporter)) return false;
  }
  return true;
}

double MaxBoundaryEdgeFromText(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  double value = 0;
  std::chars_format format = std::chars_format::general;
  if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
    first += 2;
    format = std::chars_format::hex;
  }
  auto [end, ec] = std::from_chars(first, last, value, format);
  // Out of range is infinity above the range and zero below it, as for atof.
  if (ec == std::errc::result_out_of_range) value = OutOfRangeNumber(first, end, format == std::chars_format::hex);
  else if (ec != std::errc() || end == first) value = 0;
  if (negative) value = -value;
  // NaN would disable the comparison with 100 and every later length test.
  if (!(value >= 100)) value = 100;
  return value;
}

std::string FormatBuildTime(int64_t elapsedSeconds) {
  const int64_t s = elapsedSeconds < 0 ? 0 : elapsedSeconds;
  std::string text;
  // Hours within the day: whole days are left out, as the time text has
  // always left them out.
  AppendTwoDigits(text, (s / 3600) % 24);
  text += "小时";
  AppendTwoDigits(text, (s / 60) % 60);
  text += "分";
  AppendTwoDigits(text, s % 60);
  text += "秒";
  return text;
}

std::string FormatBuildSpeed(int32_t triangleFigure, int64_t elapsedSeconds) {
  const double seconds = elapsedSeconds < 1 ? 1.0 : static_cast<double>(elapsedSeconds);
  const double speed = static_cast<double>(triangleFigure) / seconds + kSpeedOffset;
  std::string text;
  AppendInt(text, static_cast<int64_t>(speed));
  return text + "个三角形  / 秒";
}

BuildOutcome BuildRun(const std::string& installDirectory, const BuildOptions& options, ProgressReporter& reporter) {
  const std::string path = ResolvePathCase(JoinPath(installDirectory, "workdir"));
  TextScanner scan;
  if (!scan.Open(path)) {
    reporter.ShowMessage("无法打开工作目录文件：" + path);
    return {};
  }
  std::string projectDirectory;
  if (!scan.ReadWord(projectDirectory)) {
    reporter.ShowMessage((scan.overlong() ? "工作目录文件中的工程目录过长：" : "工作目录文件中没有工程目录：") + path);
    return {};
  }
  scan.Close();
  // No path holds a NUL byte; the system would read the name only up to it.
  if (projectDirectory.find('\0') != std::string::npos) {
    reporter.ShowMessage("工作目录文件中的工程目录含有空字符（NUL），请查错：" + path);
    return {};
  }
  // workdir writes the spaces of the path as '$'.
  for (char& c : projectDirectory) {
    if (c == '$') c = ' ';
  }
  return BuildProject(projectDirectory, options, reporter);
}

BuildOutcome BuildProject(const std::string& projectDirectory, const BuildOptions& options,
                          ProgressReporter& reporter) {
  BuildOutcome outcome;
  const std::string directory = ResolvePathCase(projectDirectory);
  if (PathTooLong(directory)) {
    reporter.ShowMessage("工程目录的路径过长（" + std::to_string(projectDirectory.size()) + "个字符），系统无法打开：" +
                         projectDirectory);
    return outcome;
  }
  if (!IsDirectory(directory)) {
    reporter.ShowMessage("工程目录不存在：" + projectDirectory);
    return outcome;
  }
  // "PMAP" and "pmap" name one folder: with two, the tables would be read
  // from one and the line files from the other.
  const std::vector<std::string> pmaps = FoldersNamedIgnoringCase(directory, kProjectFolder);
  if (pmaps.size() > 1) {
    std::string names;
    for (const std::string& name : pmaps) names += (names.empty() ? "" : "、") + name;
    reporter.ShowMessage("工程目录中有" + std::to_string(pmaps.size()) + "个只有大小写不同的PMAP文件夹（" + names +
                         "），请只保留一个：" + projectDirectory);
    return outcome;
  }
  if (!IsDirectory(ResolvePathCase(JoinPath(projectDirectory, kProjectFolder)))) {
    reporter.ShowMessage("工程目录中没有PMAP文件夹：" + projectDirectory);
    return outcome;
  }

  ModelStore store;
  store.projectDirectory = projectDirectory;
  WorkStack work;

  BoundaryRings rings;
  if (!Report(ReadClipRings(projectDirectory, options, rings), reporter)) return outcome;
  ImportCheck checkRings;
  if (!rings.rings.empty()) {
    checkRings = [&rings](const ModelStore& s) { return ResolveBoundaryRings(s, rings); };
  }

  const int64_t start = CalendarSeconds();
  reporter.SetStatus("正在导入数模原始数据...");
  if (!Report(ImportPoints(store, checkRings), reporter)) return outcome;
  BuildCellOrder(store);
  OpenTriangleTable(store);
  CheckNetworkAfter(store, "opening the triangle table");

  reporter.SetStatus("正在构建TIN，请稍候...");
  reporter.SetCaptions("需处理的点数：", "完成点数：");
  reporter.SetTotal(store.pointCount);
  reporter.ResetBar();
  int32_t done = kFirstDoneCount;
  PointInserter inserter(store, work);
  // The index pays on every survey: where grid cells hold many points the
  // walk from a point of the cell crosses hundreds of triangles, and where
  // they hold few, most points are the first of their cell and the walk
  // starts from the newest triangle, often far off.
  if (options.checkLocation || !options.walkOnly) inserter.UseLocationIndex(options.checkLocation);
  const int32_t pointCount = store.pointCount;
  auto percent = [&] { return static_cast<int32_t>(done * 100.0 / pointCount); };
  RunInsertionWalk(
      store,
      [&] {
        reporter.SetDone(done);
        reporter.SetBarText(PercentText(percent()));
      },
      [&](int32_t p) {
        inserter.InsertPoint(p);
        ++done;
        reporter.SetBarPos(percent());
      },
      [&](const int32_t* upcoming, int count) { inserter.Prefetch(upcoming, count); });
  inserter.DropLocationIndex();
  CheckNetworkAfter(store, "point insertion");
  // lastTriangle, one less than the records in use: the figure the summary
  // and TIN.inf have always given as the number of triangles.
  const int32_t triangleFigure = store.lastTriangle;
  const int64_t elapsedSeconds = CalendarSeconds() - start;
  outcome.repeatedPoints = inserter.counts().repeated;
  outcome.unplacedPoints = inserter.counts().unplaced;
  outcome.degeneratePoints = inserter.counts().degenerate;
  outcome.locatedByIndex = inserter.counts().locatedByIndex;
  outcome.locationDisagreements = inserter.counts().disagreements;

  SegmentInserter segments(store, work);
  EnforceBreaklines(projectDirectory, segments, reporter);
  if (options.contoursAsFeatureLines && !EnforceContours(projectDirectory, segments, reporter)) return outcome;
  CheckNetworkAfter(store, "breakline and contour enforcement");

  if (!AdjustBoundary(store, segments, rings, options, reporter, outcome)) return outcome;
  CheckNetworkAfter(store, "trimming or clipping the boundary");
  if (options.writeSjwFile && !Report(SjwExport(store), reporter)) return outcome;

  reporter.SetStatus("正在输出TIN数据...");
  if (!Report(WriteGridIndex(store), reporter)) ++outcome.failedOutputs;
  const std::string infoPath = ProjectFilePath(projectDirectory, kProjectFolder, "TIN.inf");
  CloseModelStore(store);

  reporter.SetStatus("已经成功构建TIN...");
  reporter.SetBarText("100%");
  reporter.SetBarPos(100);

  outcome.summary.points = pointCount - 4;
  outcome.summary.triangles = triangleFigure;
  outcome.summary.timeText = FormatBuildTime(elapsedSeconds);
  outcome.summary.speedText = FormatBuildSpeed(triangleFigure, elapsedSeconds);
  reporter.ShowSummary(outcome.summary);
  if (!WriteBuildInfo(infoPath, outcome.summary, options.contoursAsFeatureLines)) {
    reporter.ShowMessage("无法创建TIN.inf文件：" + infoPath);
    ++outcome.failedOutputs;
  }
  outcome.completed = true;
  return outcome;
}

}  // namespace quarvelin
