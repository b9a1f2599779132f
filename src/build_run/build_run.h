// One whole build, from reading the project's name to writing its summary,
// and the two types through which it talks to whoever started it.
#pragma once

#include <cstdint>
#include <string>

namespace quarvelin {

class SegmentInserter;

// Points, triangles, time and speed of one build, as the summary shows them
// and TIN.inf records them.
struct BuildSummary {
  int32_t points = 0;
  int32_t triangles = 0;
  std::string timeText;   // "%H小时%M分%S秒"
  std::string speedText;  // "%d个三角形  / 秒"
};

// What the build tells the user. Every call takes effect at once; the build
// holds the caller's thread until it ends. Texts are UTF-8.
class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetCaptions(const std::string& totalCaption, const std::string& doneCaption) = 0;
  virtual void SetTotal(int32_t total) = 0;
  virtual void SetDone(int32_t done) = 0;
  virtual void ResetBar() = 0;
  // Positions above 100 occur when very few points are inserted.
  virtual void SetBarPos(int32_t position) = 0;
  virtual void SetBarText(const std::string& text) = 0;
  // A modal message with an OK button; returns when it is closed.
  virtual void ShowMessage(const std::string& text) = 0;
  // Something a host may rely on passing silently (no breakline file, for
  // one): the dialog shows nothing, a console may print it.
  virtual void ShowNote(const std::string& /*text*/) {}
  // The summary of a completed build; returns when it is closed.
  virtual void ShowSummary(const BuildSummary& summary) = 0;
};

struct BuildOptions {
  bool contoursAsFeatureLines = false;
  bool writeSjwFile = false;
  // Longest outer edge a boundary triangle may keep, metres, at least 100.
  double maxBoundaryEdge = 200;
  // Point location by the walk alone, without the location index (the same
  // network, slower): for comparisons.
  bool walkOnly = false;
  // Runs the walk beside the location index for every point the index
  // places; the walk's answer is used, and the points where
  // the two differ are counted.
  bool checkLocation = false;
  // Ring file to clip the network to instead of trimming it. Empty: the
  // project's own ring file (PMAP/ClipRings.pl) when it has one.
  std::string boundaryFile{};
};

// How a build ended, for front ends that report more than the dialog does.
struct BuildOutcome {
  bool completed = false;  // false: it ended early after a message
  int32_t failedOutputs = 0;  // Edge.inf, Grid.idx or TIN.inf that could not be written
  BuildSummary summary;
  int32_t repeatedPoints = 0;    // survey points skipped as exact repeats of a vertex
  int32_t unplacedPoints = 0;    // survey points the walk could not place
  int32_t degeneratePoints = 0;  // survey points without a sound cavity
  int32_t locatedByIndex = 0;    // survey points the location index placed
  int32_t locationDisagreements = 0;  // with checkLocation: index and walk differed
};

// The build of the project that `workdir` in `installDirectory` names.
BuildOutcome BuildRun(const std::string& installDirectory, const BuildOptions& options, ProgressReporter& reporter);

// The build of a project directory given directly (all but the reading of
// `workdir`).
BuildOutcome BuildProject(const std::string& projectDirectory, const BuildOptions& options,
                          ProgressReporter& reporter);

// The run's line steps, on their own: the breaklines named by SLine.txt,
// which never end the run, and the contours counted by fnum, false when the
// run must end.
void EnforceBreaklines(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter);
bool EnforceContours(const std::string& projectDirectory, SegmentInserter& inserter, ProgressReporter& reporter);

// The limit from the text of the edit box: read as atof reads it (an empty or
// non-numeric text gives 0) and raised to 100 when smaller.
double MaxBoundaryEdgeFromText(const std::string& text);

// "%H小时%M分%S秒": hours within the day, minutes, seconds, two digits each.
std::string FormatBuildTime(int64_t elapsedSeconds);
// "%d个三角形  / 秒" of the integer part of triangles / seconds + 1.0. A build
// that took no whole second is counted as taking one.
std::string FormatBuildSpeed(int32_t triangleFigure, int64_t elapsedSeconds);

}  // namespace quarvelin
