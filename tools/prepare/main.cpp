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

#include "las_reader.h"
#include "platform/console_progress.h"
#include "platform/system.h"
#include "project_writer.h"
#include "survey_crs.h"
#include "survey_input.h"
#include "version/build_version.h"

namespace {

constexpr const char* kUsage =
    "Usage: quarvelin-prepare --points FILE --project DIR [OPTIONS]\n"
    "Writes the PMAP folder of a project from a survey, ready for quarvelin-cli.\n"
    "\n"
    "Options:\n"
    "  --points FILE       survey points: text, 'x y z' a line (white space or\n"
    "                      commas; an optional header line; '#' starts a comment),\n"
    "                      or LAS 1.0 to 1.4, plain or compressed (LAZ, point\n"
    "                      formats 0 to 3 and 6 to 8); may repeat\n"
    "  --classes LIST      keep only LAS points of these classification codes,\n"
    "                      e.g. 2 (ground) or 2,8\n"
    "  --project DIR       project folder to write (PMAP is created inside it)\n"
    "  --breaklines FILE   breaklines in block form: a vertex count line, then\n"
    "                      'x y z' lines; may repeat\n"
    "  --contours FILE     contour lines in the same block form, one contour file\n"
    "                      of the project per option; may repeat\n"
    "  --boundary FILE     closed rings in the same block form (a ring's last\n"
    "                      vertex may repeat its first; rings inside a ring are\n"
    "                      holes): kept as PMAP/ClipRings.pl, so that every build\n"
    "                      of the project is clipped to them; may repeat\n"
    "  --workdir DIR       also write DIR/workdir naming the project\n"
    "  --margin METRES     distance of the frame from the survey (default: a tenth\n"
    "                      of the larger side, at least 10)\n"
    "  --crs CRS           the survey's reference system: EPSG:n, a WKT or PROJ\n"
    "                      string, or a .prj file; wins over the one LAS files\n"
    "                      carry. Kept in PROJECT/crs.wkt for the other tools\n"
    "  --quiet             print nothing but errors\n"
    "  --help              show this help\n"
    "  --version           show the version and the source revision\n"
    "\n"
    "Points stream from the files to the project, so surveys of any size fit in\n"
    "memory. Line vertices with no survey point within 0.0001 are added to the\n"
    "points. Points that repeat the x and y of another are counted (the build\n"
    "skips them), as are LAS points that --classes leaves out.\n"
    "Exit status: 0 done, 1 an input or output failed, 2 a usage error.\n";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "quarvelin-prepare: %s\nTry 'quarvelin-prepare --help'.\n", what.c_str());
  return 2;
}

int Failure(const std::string& what) {
  std::fprintf(stderr, "quarvelin-prepare: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> pointFiles, breaklineFiles, contourFiles, ringFiles;
  std::optional<std::string> project, workdir, crsText;
  double margin = -1;
  quarvelin::PointFilter filter;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> inlineValue;
    size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 < argc) return std::string(argv[++i]);
      return std::nullopt;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::fputs(quarvelin::VersionText("quarvelin-prepare").c_str(), stdout);
      return 0;
    }
    if (arg == "--quiet" || arg == "-q") {
      quiet = true;
      continue;
    }
    if (arg != "--points" && arg != "--project" && arg != "--breaklines" && arg != "--contours" &&
        arg != "--workdir" && arg != "--margin" && arg != "--classes" && arg != "--crs" && arg != "--boundary") {
      return UsageError("unknown argument '" + arg + "'");
    }
    auto v = value();
    if (!v) return UsageError("option " + arg + " needs a value");
    if (arg == "--points") pointFiles.push_back(*v);
    else if (arg == "--project") project = *v;
    else if (arg == "--breaklines") breaklineFiles.push_back(*v);
    else if (arg == "--contours") contourFiles.push_back(*v);
    else if (arg == "--boundary") ringFiles.push_back(*v);
    else if (arg == "--workdir") workdir = *v;
    else if (arg == "--crs") crsText = *v;
    else if (arg == "--classes") {
      if (!quarvelin::ParseClassList(*v, filter)) return UsageError("--classes needs codes 0 to 255 separated by commas");
    }
    else {
      try {
        size_t used = 0;
        margin = std::stod(*v, &used);
        if (used != v->size() || !(margin >= 0) || !std::isfinite(margin)) throw std::invalid_argument("margin");
      } catch (const std::exception&) {
        return UsageError("--margin needs a finite number of metres, 0 or more");
      }
    }
  }
  if (pointFiles.empty() && breaklineFiles.empty() && contourFiles.empty()) return UsageError("no --points given");
  if (!project) return UsageError("no --project given");

  std::string error;
  if (workdir && !quarvelin::CheckWorkdirName(*project, error)) return Failure(error);
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
  if (!quarvelin::SurveyCrs(pointFiles, crsText ? &*crsText : nullptr, crs, notes, usage, error)) {
    return usage ? UsageError(error) : Failure(error);
  }
  for (const std::string& note : notes) std::fprintf(stderr, "quarvelin-prepare: %s\n", note.c_str());
  quarvelin::ProjectWriter writer;
  if (!writer.Begin(*project, !lines.breaklines.empty(), error)) return Failure(error);
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
  progress.Status("writing " + *project + "/PMAP");
  quarvelin::ProjectReport report;
  if (!writer.Finish(lines, margin, report, error)) return Failure(error);
  if (!quarvelin::WriteProjectCrs(*project, crs, error)) return Failure(error);
  if (workdir && !quarvelin::WriteWorkdir(*workdir, *project, error)) return Failure(error);
  if (!quiet) {
    std::fprintf(stderr, "%zu survey points (%zu repeat the x and y of another, %zu skipped by class), %zu line vertices added\n",
                 report.surveyPoints, report.repeatedPoints, counts.skipped, report.addedLinePoints);
    std::fprintf(stderr, "wrote %s/PMAP: %zu point records\n", project->c_str(), report.tableRecords);
    std::fprintf(stderr, "reference system: %s\n", crs.Known() ? crs.Label().c_str() : "none known (give --crs)");
  }
  return 0;
}
