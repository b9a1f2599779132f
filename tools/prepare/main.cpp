// quarvelin-prepare: does for a survey what the host application does for a
// project: writes the PMAP folder that quarvelin-cli builds, and optionally
// the workdir that names it.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "las_reader.h"
#include "platform/console_progress.h"
#include "platform/system.h"
#include "project_writer.h"
#include "survey_crs.h"
#include "survey_input.h"

namespace {

constexpr const char* kProgram = "quarvelin-prepare";

const quarvelin::CommandLineSpec kCommandLine{
    kProgram,
    "Usage: quarvelin-prepare --points FILE --project DIR [OPTIONS]\n"
    "Writes the PMAP folder of a project from a survey, ready for quarvelin-cli.\n",
    {
        {"--points", "FILE",
         "survey points: text, 'x y z' a line (white space or\n"
         "commas; an optional header line; '#' starts a comment),\n"
         "or LAS 1.0 to 1.4, plain or compressed (LAZ, point\n"
         "formats 0 to 3 and 6 to 8)",
         {}, true},
        {"--classes", "LIST",
         "keep only LAS points of these classification codes,\n"
         "e.g. 2 (ground) or 2,8"},
        {"--project", "DIR", "project folder to write (PMAP is created inside it)"},
        {"--breaklines", "FILE",
         "breaklines in block form: a vertex count line, then\n"
         "'x y z' lines",
         {}, true},
        {"--contours", "FILE",
         "contour lines in the same block form, one contour file\n"
         "of the project per option",
         {}, true},
        {"--boundary", "FILE",
         "closed rings in the same block form (a ring's last\n"
         "vertex may repeat its first; rings inside a ring are\n"
         "holes): kept as PMAP/ClipRings.pl, so that every build\n"
         "of the project is clipped to them",
         {}, true},
        {"--workdir", "DIR", "also write DIR/workdir naming the project"},
        {"--margin", "METRES",
         "distance of the frame from the survey (default: a tenth\n"
         "of the larger side, at least 10)"},
        {"--crs", "CRS",
         "the survey's reference system: EPSG:n, a WKT or PROJ\n"
         "string, or a .prj file; wins over the one LAS files\n"
         "carry. Kept in PROJECT/crs.wkt for the other tools"},
        {"--quiet", "", "print nothing but errors", "-q"},
    },
    "Points stream from the files to the project, so surveys of any size fit in\n"
    "memory. Line vertices with no survey point within 0.0001 are added to the\n"
    "points. Points that repeat the x and y of another are counted (the build\n"
    "skips them), as are LAS points that --classes leaves out.\n"
    "Exit status: 0 done, 1 an input or output failed, 2 a usage error.\n",
};

// A whole text that is a distance of 0 or more, as strtod reads it.
bool ParseMargin(const std::string& text, double& margin) {
  try {
    size_t used = 0;
    margin = std::stod(text, &used);
    return used == text.size() && margin >= 0 && std::isfinite(margin);
  } catch (const std::exception&) {
    return false;
  }
}

int UsageError(const std::string& what) { return quarvelin::UsageError(kProgram, what); }
int Failure(const std::string& what) { return quarvelin::Failure(kProgram, what); }

}  // namespace

int main(int argc, char** argv) {
  quarvelin::CommandLine args;
  if (std::optional<int> status = quarvelin::ParseCommandLine(argc, argv, kCommandLine, args)) return *status;
  const std::vector<std::string>& pointFiles = args.Values("--points");
  const std::vector<std::string>& breaklineFiles = args.Values("--breaklines");
  const std::vector<std::string>& contourFiles = args.Values("--contours");
  const std::vector<std::string>& ringFiles = args.Values("--boundary");
  quarvelin::PointFilter filter;
  if (args.Has("--classes") && !quarvelin::ParseClassList(args.Value("--classes"), filter)) {
    return UsageError("--classes needs codes 0 to 255 separated by commas");
  }
  double margin = -1;
  if (args.Has("--margin") && !ParseMargin(args.Value("--margin"), margin)) {
    return UsageError("--margin needs a finite number of metres, 0 or more");
  }
  if (pointFiles.empty() && breaklineFiles.empty() && contourFiles.empty()) return UsageError("no --points given");
  if (!args.Has("--project")) return UsageError("no --project given");
  const std::string& project = args.Value("--project");
  const bool quiet = args.Has("--quiet");

  std::string error;
  if (args.Has("--workdir") && !quarvelin::CheckWorkdirName(project, error)) return Failure(error);
  // The lines are small; they are read first so that a bad line file stops
  // the run before the large point files are streamed.
  quarvelin::ProjectLines lines;
  for (const std::string& file : breaklineFiles) {
    if (!quarvelin::ReadPolylines(file, lines.breaklines, error)) return Failure(error);
  }
  for (const std::string& file : contourFiles) {
    lines.contourFiles.emplace_back();
    if (!quarvelin::ReadPolylines(file, lines.contourFiles.back(), error)) return Failure(error);
  }
  for (const std::string& file : ringFiles) {
    const size_t before = lines.rings.size();
    if (!quarvelin::ReadPolylines(file, lines.rings, error)) return Failure(error);
    if (lines.rings.size() == before) return Failure(file + ": holds no ring");
  }
  // The reference system is settled before anything is written.
  quarvelin::QuietGdalErrors();
  quarvelin::CoordinateSystem crs;
  std::vector<std::string> notes;
  bool usage = false;
  if (!quarvelin::SurveyCrs(pointFiles, args.Has("--crs") ? &args.Value("--crs") : nullptr, crs, notes, usage, error)) {
    return usage ? UsageError(error) : Failure(error);
  }
  for (const std::string& note : notes) std::fprintf(stderr, "quarvelin-prepare: %s\n", note.c_str());
  quarvelin::ProjectWriter writer;
  if (!writer.Begin(project, !lines.breaklines.empty(), error)) return Failure(error);
  quarvelin::ReadCounts counts;
  quarvelin::ConsoleProgress progress(stderr, quarvelin::IsTerminal(stderr), quiet);
  for (const std::string& file : pointFiles) {
    progress.Status("reading " + file);
    if (filter.classes.any() && !quarvelin::HasLasSignature(file)) {
      progress.Status(file + ": not a LAS file: --classes does not apply, every point is kept");
    }
    std::error_code ec;
    const double size = static_cast<double>(std::filesystem::file_size(file, ec));
    progress.ResetBar();
    size_t sinceShown = 0;
    auto add = [&](const quarvelin::SurveyPoint& p) {
      writer.Add(p);
      if (++sinceShown == 1 << 16) {
        sinceShown = 0;
        progress.Fraction(static_cast<double>(counts.bytesRead), size);
      }
    };
    if (!quarvelin::ReadSurveyPoints(file, filter, add, counts, error)) {
      progress.EndBar();
      return Failure(error);
    }
    progress.Bar(100);
  }
  progress.Status("writing " + project + "/PMAP");
  quarvelin::ProjectReport report;
  if (!writer.Finish(lines, margin, report, error)) return Failure(error);
  if (!quarvelin::WriteProjectCrs(project, crs, error)) return Failure(error);
  if (args.Has("--workdir") && !quarvelin::WriteWorkdir(args.Value("--workdir"), project, error)) return Failure(error);
  if (!quiet) {
    std::fprintf(stderr, "%zu survey points (%zu repeat the x and y of another, %zu skipped by class), %zu line vertices added\n",
                 report.surveyPoints, report.repeatedPoints, counts.skipped, report.addedLinePoints);
    std::fprintf(stderr, "wrote %s/PMAP: %zu point records\n", project.c_str(), report.tableRecords);
    std::fprintf(stderr, "reference system: %s\n", crs.Known() ? crs.Label().c_str() : "none known (give --crs)");
  }
  return 0;
}
