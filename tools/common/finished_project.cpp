#include "finished_project.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <memory>

#include "platform/system.h"
#include "platform/text_scan.h"
#include "store/line_files.h"
#include "store/project_format.h"

namespace quarvelin {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string PmapFile(const std::string& directory, const char* name) {
  return ProjectFilePath(directory, kProjectFolder, name);
}

// Reads `count` records of `size` bytes from the start of the file.
template <typename Record>
bool ReadRecords(const std::string& path, size_t count, std::vector<Record>& records, std::string& error) {
  int64_t bytes = FileSize(path);
  if (bytes < 0) {
    error = path + ": no such file";
    return false;
  }
  if (static_cast<uint64_t>(bytes) / sizeof(Record) < count) {
    error = path + ": the file holds " + std::to_string(bytes / static_cast<int64_t>(sizeof(Record))) +
            " records, fewer than the " + std::to_string(count) + " the project names";
    return false;
  }
  records.resize(count);
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f || std::fread(records.data(), sizeof(Record), count, f.get()) != count) {
    error = path + ": cannot read the file";
    return false;
  }
  return true;
}

// The point count of PtIndex.idx, frame corners included.
bool ReadPointCount(const std::string& directory, int32_t& count, std::string& error) {
  std::string path = PmapFile(directory, "PtIndex.idx");
  TextScanner in;
  if (!in.Open(path) || !in.ReadInt(count) || count < 4) {
    error = path + ": missing, or no point count of at least 4 at its start";
    return false;
  }
  return true;
}

// The triangle records in use: the figure on line 1 of TIN.inf is the last
// record after point insertion, and nothing later in the build appends any.
// Line 2 tells whether the contour files were enforced. The build removes
// TIN.inf before it changes the tables and writes it last, so a summary that
// is missing, unreadable or counts other points than PtIndex.idx means the
// tables hold no finished network.
bool ReadBuildInfo(const std::string& directory, int32_t pointCount, size_t& count, bool& contoursEnforced,
                   std::string& error) {
  std::string path = PmapFile(directory, "TIN.inf");
  TextScanner in;
  int32_t points = 0, lastTriangle = -1;
  if (!in.Open(path)) {
    error = path + ": no such file: the project has not been built, or its last build did not finish "
                   "(run quarvelin-cli)";
    return false;
  }
  if (!in.ReadInt(points) || !in.ReadInt(lastTriangle)) {
    error = path + ": expected the point and triangle figures on the first line";
    return false;
  }
  const int64_t surveyPoints = int64_t{pointCount} - 4;
  if (points != surveyPoints) {
    error = path + ": counts " + std::to_string(points) + " survey points where PtIndex.idx has " +
            std::to_string(surveyPoints) + ": the summary is not of these tables (build the project again)";
    return false;
  }
  const int64_t mostLast = TriangleRecordsNeeded(pointCount) - 1;
  if (lastTriangle < 1 || lastTriangle > mostLast) {
    error = path + ": " + std::to_string(lastTriangle) + " is not a triangle figure " + std::to_string(points) +
            " survey points can give (1 to " + std::to_string(mostLast) + ")";
    return false;
  }
  count = static_cast<size_t>(lastTriangle) + 1;
  int32_t contours = 0;
  contoursEnforced = in.ReadInt(contours) && contours == 1;
  return true;
}

// The tools compute and print with every coordinate: a point that is not a
// finite number, or a spread of points wider than a double holds, is refused
// here rather than drawn or written as "nan".
bool CheckPointValues(const FinishedProject& project, const std::string& path, std::string& error) {
  for (size_t i = 0; i < project.points.size(); ++i) {
    const PointRecord& p = project.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      error = path + ": point " + std::to_string(i) + " (x " + std::to_string(p.x) + ", y " + std::to_string(p.y) +
              ", z " + std::to_string(p.z) + ") is not a finite position";
      return false;
    }
  }
  Extent all;
  for (const PointRecord& p : project.points) all.Include(p);
  if (!std::isfinite(all.maxX - all.minX) || !std::isfinite(all.maxY - all.minY) ||
      !std::isfinite(all.maxZ - all.minZ)) {
    error = path + ": the points spread wider than a double can measure";
    return false;
  }
  return true;
}

bool ReadPoints(const std::string& directory, int32_t count, FinishedProject& project, std::string& error) {
  const std::string path = PmapFile(directory, "Point.xyz");
  return ReadRecords(path, static_cast<size_t>(count), project.points, error) &&
         CheckPointValues(project, path, error);
}

bool CheckTriangles(const FinishedProject& project, const std::string& path, std::string& error) {
  const auto points = static_cast<int64_t>(project.points.size());
  const auto triangles = static_cast<int64_t>(project.triangles.size());
  for (size_t t = 0; t < project.triangles.size(); ++t) {
    const TriangleRecord& r = project.triangles[t];
    for (int i = 0; i < 3; ++i) {
      if (r.vertex[i] < 0 || r.vertex[i] >= points || r.neighbour[i] < -1 || r.neighbour[i] >= triangles) {
        error = path + ": triangle " + std::to_string(t) + " names a point or triangle that does not exist";
        return false;
      }
    }
  }
  return true;
}

bool ReadEdgeFile(const std::string& directory, FinishedProject& project, std::string& error) {
  std::string path = PmapFile(directory, "Edge.inf");
  TextScanner in;
  if (!in.Open(path)) return true;
  project.hasEdgeFile = true;
  int32_t count = 0;
  if (!in.ReadInt(count) || count < 0) {
    error = path + ": expected the number of boundary edges at its start";
    return false;
  }
  std::vector<int32_t> walk;
  // The count is the file's word; only the edges actually read take room.
  walk.reserve(std::min<size_t>(static_cast<size_t>(count), 1 << 16));
  for (int32_t k = 0; k < count; ++k) {
    int32_t from = 0;
    double x = 0, y = 0;
    if (!in.ReadInt(from) || !in.ReadDouble(x) || !in.ReadDouble(y)) {
      error = path + ": edge " + std::to_string(k + 1) + " of " + std::to_string(count) + " is missing or malformed";
      return false;
    }
    if (from < 0 || from >= static_cast<int32_t>(project.points.size())) {
      error = path + ": edge " + std::to_string(k + 1) + " starts at point " + std::to_string(from) +
              ", which does not exist";
      return false;
    }
    walk.push_back(from);
  }
  project.boundaryRings = SplitClosedWalk(walk);
  return true;
}

// The tools compute with every vertex of a line they were given; the first
// that is not a finite position, in reading order, is refused.
bool CheckLineVertices(const std::vector<LineVertex>& line, const std::string& path, int32_t lineIndex,
                       std::string& error) {
  for (size_t i = 0; i < line.size(); ++i) {
    const LineVertex& v = line[i];
    if (std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) continue;
    error = path + ": vertex " + std::to_string(i + 1) + " of line " + std::to_string(lineIndex + 1) +
            " is not a finite position";
    return false;
  }
  return true;
}

void KeepLine(const std::vector<LineVertex>& line, FinishedProject& project) {
  if (line.size() < 2) return;
  std::vector<Vertex3>& kept = project.breaklines.emplace_back();
  for (const LineVertex& v : line) kept.push_back({v.x, v.y, v.z});
}

// Reads the breakline file as the build reads it, but silently: bad data or a
// line of more than kMaxBreaklinePoints points ends the file, and a line cut
// short there is not shown.
bool ReadBreaklines(const std::string& directory, FinishedProject& project, std::string& error) {
  const std::string file = BreaklineFilePath(directory);
  LineFileReader in(LineFileReader::Kind::kBreaklines);
  int32_t lines = 0;
  if (file.empty() || !in.Open(file) || !in.ReadLineCount(lines)) return true;
  std::vector<LineVertex> line;
  for (int32_t k = 0; k < lines; ++k) {
    const LineRead read = in.ReadLine(line);
    if (!CheckLineVertices(line, file, k, error)) return false;
    if (read != LineRead::kRead) return true;
    KeepLine(line, project);
  }
  return true;
}

// The contour files that fnum counts, as the build reads them: a build that
// finished found every one, so the first that is missing ends the list, however
// large the count. Their lines carry no z of their own; the height is the
// second number of each line's header, where the tools that write the files
// keep it. A bad line header ends its file, bad points end the list.
bool ReadEnforcedContours(const std::string& directory, FinishedProject& project, std::string& error) {
  TextScanner count;
  int32_t files = 0;
  if (!count.Open(ContourCountPath(directory)) || !count.ReadInt(files)) return true;
  std::vector<LineVertex> line;
  for (int32_t k = 1; k <= files; ++k) {
    const std::string path = ContourFilePath(directory, k);
    LineFileReader in(LineFileReader::Kind::kContours);
    int32_t lines = 0;
    if (!in.Open(path)) return true;
    if (!in.ReadLineCount(lines)) continue;
    for (int32_t l = 0; l < lines; ++l) {
      const LineRead read = in.ReadLine(line);
      if (read == LineRead::kBadLineHeader) break;
      if (!CheckLineVertices(line, path, l, error)) return false;
      if (read != LineRead::kRead) return true;
      KeepLine(line, project);
    }
  }
  return true;
}

}  // namespace

std::vector<std::vector<int32_t>> SplitClosedWalk(const std::vector<int32_t>& walk) {
  std::vector<std::vector<int32_t>> rings;
  CutLoops(walk, true, rings);
  return rings;
}

bool ReadFinishedProject(const std::string& projectDirectory, FinishedProject& project, std::string& error) {
  project = FinishedProject{};
  size_t triangles = 0;
  int32_t pointCount = 0;
  bool contoursEnforced = false;
  if (!IsDirectory(projectDirectory)) {
    error = projectDirectory + (FileSize(projectDirectory) >= 0 ? ": a file, not a project folder" : ": no such project folder");
    return false;
  }
  const std::string tinPath = PmapFile(projectDirectory, "TIN.tri");
  return ReadPointCount(projectDirectory, pointCount, error) &&
         ReadBuildInfo(projectDirectory, pointCount, triangles, contoursEnforced, error) &&
         ReadPoints(projectDirectory, pointCount, project, error) &&
         ReadRecords(tinPath, triangles, project.triangles, error) && CheckTriangles(project, tinPath, error) &&
         ReadEdgeFile(projectDirectory, project, error) && ReadBreaklines(projectDirectory, project, error) &&
         (!contoursEnforced || ReadEnforcedContours(projectDirectory, project, error));
}

void Extent::Include(const PointRecord& p) {
  if (empty) {
    *this = {p.x, p.y, p.x, p.y, p.z, p.z, false};
    return;
  }
  minX = std::min(minX, p.x);
  maxX = std::max(maxX, p.x);
  minY = std::min(minY, p.y);
  maxY = std::max(maxY, p.y);
  minZ = std::min(minZ, p.z);
  maxZ = std::max(maxZ, p.z);
}

Extent KeptExtent(const FinishedProject& project) {
  Extent e;
  for (size_t t = 0; t < project.triangles.size(); ++t) {
    if (!project.Kept(static_cast<int32_t>(t))) continue;
    for (int32_t v : project.triangles[t].vertex) e.Include(project.points[static_cast<size_t>(v)]);
  }
  return e;
}

std::string BuildTimestamp(const std::string& projectDirectory) {
  namespace fs = std::filesystem;
  std::error_code ec;
  auto written = fs::last_write_time(ProjectFilePath(projectDirectory, kProjectFolder, "TIN.inf"), ec);
  auto time = ec ? std::chrono::system_clock::time_point{}
                 : std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                       std::chrono::file_clock::to_sys(written));
  auto seconds = std::chrono::floor<std::chrono::seconds>(time);
  auto day = std::chrono::floor<std::chrono::days>(seconds);
  std::chrono::year_month_day date(day);
  std::chrono::hh_mm_ss clock(seconds - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

}  // namespace quarvelin
