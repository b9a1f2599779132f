// Writing a project's PMAP folder the way the host application does: the
// point index, the point table with four frame corners round the survey, an
// empty triangle table of the size the build needs, and optionally the
// breakline and contour files and the install folder's workdir.
#pragma once

#include <string>
#include <vector>

#include "survey_input.h"

namespace quarvelin {

struct ProjectInput {
  std::vector<SurveyPoint> points;
  std::vector<Polyline> breaklines;
  // One contour file (Point.1, Point.2, ...) per entry.
  std::vector<std::vector<Polyline>> contourFiles;
  // Distance of the frame from the survey's bounding box; negative: a tenth
  // of the larger side of the box, at least 10.
  double frameMargin = -1;
};

struct ProjectReport {
  size_t surveyPoints = 0;      // points read from the survey
  size_t repeatedPoints = 0;    // survey points whose x and y repeat an earlier one
  size_t addedLinePoints = 0;   // polyline vertices added because no survey point was there
  size_t tableRecords = 0;      // records of Point.xyz, frame included
};

// Adds to `input.points` every polyline vertex that has no survey point
// within the build's matching tolerance (0.0001 in x and in y), so that every
// vertex of every line is a point of the network.
void AddLineVertices(ProjectInput& input, ProjectReport& report);

// Writes the PMAP folder of `projectDirectory` (creating both folders as
// needed). False with `error` set on failure.
bool WriteProject(const std::string& projectDirectory, ProjectInput& input, ProjectReport& report, std::string& error);

// Writes `workdir` into `installDirectory`, naming the project with its
// spaces written as '$'.
bool WriteWorkdir(const std::string& installDirectory, const std::string& projectDirectory, std::string& error);

}  // namespace quarvelin
