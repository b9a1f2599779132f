// Writing a project's PMAP folder the way the host application does: the
// point index, the point table with four frame corners round the survey, an
// empty triangle table of the size the build needs, and optionally the
// breakline, contour and ring files and the install folder's workdir.
//
// The points stream: each goes to Point.xyz as it is read, after four records
// kept free for the frame, which is written last, once the survey's extent is
// known. Only the plan positions are held, to match line vertices and to
// count repeats. Everything is written into a temporary folder that takes
// the place of PMAP only when complete, so a refused or failed run leaves
// the project folder as it was.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "output_file.h"
#include "survey_input.h"

namespace quarvelin {

struct ProjectLines {
  std::vector<Polyline> breaklines;
  // One contour file (Point.1, Point.2, ...) per entry.
  std::vector<std::vector<Polyline>> contourFiles;
  // Closed rings the build clips the network to, kept in the project.
  std::vector<Polyline> rings;
};

struct ProjectReport {
  size_t surveyPoints = 0;     // points read from the survey
  size_t repeatedPoints = 0;   // points whose x and y repeat an earlier one's (the build skips them)
  size_t addedLinePoints = 0;  // polyline vertices added because no survey point was there
  size_t tableRecords = 0;     // records of Point.xyz, frame included
};

class ProjectWriter {
 public:
  ProjectWriter() = default;
  ProjectWriter(const ProjectWriter&) = delete;
  ProjectWriter& operator=(const ProjectWriter&) = delete;
  // A project that did not finish leaves nothing: its temporary folder, and
  // the project folder if Begin made it, go.
  ~ProjectWriter();

  // Checks that the project can be written as asked (with `breaklines`,
  // SLine.txt must be able to name the breakline file) and starts Point.xyz
  // in a temporary folder beside `projectDirectory`/PMAP. False with `error`
  // set, and nothing written, when it cannot.
  bool Begin(const std::string& projectDirectory, bool breaklines, std::string& error);
  // Appends one survey point (one that CoordinateFault passes).
  void Add(const SurveyPoint& point);
  // Adds the line vertices that no point matches within the build's
  // tolerance (0.0001 in x and in y), writes the frame corners (`margin`
  // from the extent; negative: a tenth of its larger side, at least 10),
  // TIN.tri, PtIndex.idx and the line files, then puts the folder in place
  // of PMAP, replacing a previous project whole.
  bool Finish(const ProjectLines& lines, double margin, ProjectReport& report, std::string& error);

 private:
  struct XY {
    double x, y;
  };
  void Append(const SurveyPoint& point);
  size_t AddLineVertices(const ProjectLines& lines);
  bool WriteFrame(double margin, std::string& error);
  bool WriteTriangleTable(size_t records, std::string& error);
  bool MoveIntoPlace(std::string& error);

  std::filesystem::path project_, target_, staging_;
  std::filesystem::path createdFrom_;  // the outermost folder Begin created, if any
  std::string breaklineName_;          // the breakline file as SLine.txt names it
  OutputFile pointFile_;
  std::vector<XY> positions_;
  double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

// Whether `workdir` can name the project: it holds one word, with '$' for
// each space, so the path may hold no other white space and no '$'.
bool CheckWorkdirName(const std::string& projectDirectory, std::string& error);

// Writes `workdir` into `installDirectory`, naming the project with its
// spaces written as '$'.
bool WriteWorkdir(const std::string& installDirectory, const std::string& projectDirectory, std::string& error);

}  // namespace quarvelin
