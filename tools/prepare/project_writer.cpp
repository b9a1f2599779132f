#include "project_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include <fcntl.h>
#include <unistd.h>

#include "boundary/boundary_clipping.h"
#include "platform/system.h"
#include "platform/text_writer.h"
#include "store/line_files.h"
#include "store/project_format.h"
#include "store/records.h"

namespace quarvelin {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBreaklineFile = "Breaklines.txt";

struct CellKey {
  int64_t cx, cy;
  bool operator==(const CellKey&) const = default;
  bool operator<(const CellKey& o) const { return cx != o.cx ? cx < o.cx : cy < o.cy; }
};
struct CellKeyHash {
  size_t operator()(const CellKey& k) const {
    // Unsigned: cell numbers near 2e11 overflow a signed product.
    return static_cast<size_t>(static_cast<uint64_t>(k.cx) * 73856093u ^ static_cast<uint64_t>(k.cy) * 19349663u);
  }
};

// Cells of the tolerance's size: a point within the tolerance of a position
// lies in the position's cell or one of its eight neighbours. Coordinates are
// within kMaxPlanCoordinate, so cell numbers stay far inside int64_t.
CellKey KeyOf(double x, double y) {
  return {static_cast<int64_t>(std::floor(x / kMatchTolerance)), static_cast<int64_t>(std::floor(y / kMatchTolerance))};
}

bool Matches(double px, double py, double x, double y) {
  return std::fabs(px - x) < kMatchTolerance && std::fabs(py - y) < kMatchTolerance;
}

// The few line vertices added to the survey, filed by cell.
class ToleranceIndex {
 public:
  void Add(double x, double y) { cells_[KeyOf(x, y)].push_back({x, y}); }
  bool Has(double x, double y) const {
    CellKey k = KeyOf(x, y);
    for (int64_t dx = -1; dx <= 1; ++dx) {
      for (int64_t dy = -1; dy <= 1; ++dy) {
        auto it = cells_.find({k.cx + dx, k.cy + dy});
        if (it == cells_.end()) continue;
        for (auto [px, py] : it->second) {
          if (Matches(px, py, x, y)) return true;
        }
      }
    }
    return false;
  }

 private:
  std::unordered_map<CellKey, std::vector<std::pair<double, double>>, CellKeyHash> cells_;
};

PointRecord TableRecord(const SurveyPoint& p) {
  PointRecord r{};
  r.x = p.x;
  r.y = p.y;
  r.z = p.z;
  r.nextInCell = -1;
  r.incidentTriangle = -1;
  return r;
}

bool WriteText(const std::string& path, const std::string& text, std::string& error) {
  TextWriter out;
  if (!out.Open(path) || (out.Write(text), !out.Close())) {
    error = path + ": cannot write the file";
    return false;
  }
  return true;
}

// Each line as its vertex count, then its vertices "x y z", a line each.
void AppendBlocks(std::string& text, const std::vector<Polyline>& lines) {
  for (const Polyline& line : lines) {
    AppendInt(text, static_cast<int64_t>(line.size()));
    text += "\n";
    for (const SurveyPoint& p : line) {
      AppendShortest(text, p.x);
      text += " ";
      AppendShortest(text, p.y);
      text += " ";
      AppendShortest(text, p.z);
      text += "\n";
    }
  }
}

// SLine.txt names the breakline file by the path it will have once the
// project is in place (`name`); the files are written into `folder`.
bool WriteBreaklineFiles(const fs::path& folder, const std::string& name, const std::vector<Polyline>& lines,
                         std::string& error) {
  std::string text;
  AppendInt(text, static_cast<int64_t>(lines.size()));
  text += "\n";
  AppendBlocks(text, lines);
  return WriteText((folder / kBreaklineFile).string(), text, error) &&
         WriteText((folder / kBreaklineNameFile).string(), name + "\n", error);
}

// The project keeps its rings under a name of its own, which the build looks
// for.
bool WriteRingFile(const fs::path& folder, const std::vector<Polyline>& rings, std::string& error) {
  std::string text;
  AppendBlocks(text, rings);
  return WriteText((folder / kProjectRingFile).string(), text, error);
}

bool WriteContourFiles(const fs::path& pmap, const std::vector<std::vector<Polyline>>& files, std::string& error) {
  for (size_t k = 0; k < files.size(); ++k) {
    std::string text = "0 0 ";
    AppendInt(text, static_cast<int64_t>(files[k].size()));
    text += " 0\n";
    for (const Polyline& line : files[k]) {
      AppendInt(text, static_cast<int64_t>(line.size()));
      text += " ";
      AppendShortest(text, line.empty() ? 0.0 : line.front().z);
      text += " 0\n";
      for (const SurveyPoint& p : line) {
        AppendShortest(text, p.x);
        text += " ";
        AppendShortest(text, p.y);
        text += "\n";
      }
    }
    if (!WriteText((pmap / ContourFileName(static_cast<int32_t>(k + 1))).string(), text, error)) return false;
  }
  std::string count;
  AppendInt(count, static_cast<int64_t>(files.size()));
  return WriteText((pmap / kContourCountFile).string(), count + "\n", error);
}

}  // namespace

ProjectWriter::~ProjectWriter() {
  pointFile_.Close();
  std::error_code ec;
  if (!staging_.empty()) fs::remove_all(staging_, ec);
  // Folders made for the project go again, innermost first; remove() leaves
  // any that something else has filled meanwhile.
  for (fs::path dir = project_; !createdFrom_.empty(); dir = dir.parent_path()) {
    if (!fs::remove(dir, ec) || dir == createdFrom_) break;
  }
}

bool ProjectWriter::Begin(const std::string& projectDirectory, bool breaklines, std::string& error) {
  std::error_code ec;
  project_ = fs::absolute(projectDirectory, ec).lexically_normal();
  if (project_.has_relative_path() && !project_.has_filename()) project_ = project_.parent_path();
  // The existing folder of either spelling is the one replaced, so that no
  // second PMAP appears beside a host's pmap.
  target_ = ResolvePathCase((project_ / kProjectFolder).string());
  if (breaklines) {
    breaklineName_ = (target_ / kBreaklineFile).string();
    if (breaklineName_.find_first_of(" \t\r\n") != std::string::npos) {
      error = breaklineName_ + ": SLine.txt cannot name a breakline file whose path holds white space";
      return false;
    }
  }
  if (fs::exists(project_, ec) && !fs::is_directory(project_, ec)) {
    error = project_.string() + ": exists and is not a folder";
    return false;
  }
  for (fs::path dir = project_; !dir.empty() && !fs::exists(dir, ec) && dir != dir.parent_path(); dir = dir.parent_path()) {
    createdFrom_ = dir;
  }
  fs::create_directories(project_, ec);
  std::string pattern = (project_ / ".PMAP-XXXXXX").string();
  if (ec || !::mkdtemp(pattern.data())) {
    error = project_.string() + ": cannot create a folder there: " + (ec ? ec.message() : std::strerror(errno));
    return false;
  }
  staging_ = pattern;
  std::string path = (staging_ / "Point.xyz").string();
  if (!pointFile_.Open(path)) {
    error = path + ": cannot create the file";
    return false;
  }
  // Room for the frame corners, written once the extent is known.
  pointFile_.Write(std::string(4 * sizeof(PointRecord), '\0'));
  return true;
}

void ProjectWriter::Add(const SurveyPoint& point) { Append(point); }

void ProjectWriter::Append(const SurveyPoint& point) {
  if (positions_.empty()) {
    minX_ = maxX_ = point.x;
    minY_ = maxY_ = point.y;
  }
  minX_ = std::min(minX_, point.x);
  maxX_ = std::max(maxX_, point.x);
  minY_ = std::min(minY_, point.y);
  maxY_ = std::max(maxY_, point.y);
  positions_.push_back({point.x, point.y});
  PointRecord r = TableRecord(point);
  pointFile_.buffer().append(reinterpret_cast<const char*>(&r), sizeof r);
  pointFile_.FlushIfFull();
}

size_t ProjectWriter::AddLineVertices(const ProjectLines& lines) {
  // Sorted by cell, the survey answers "is a point within the tolerance" by
  // a binary search in each of nine cells.
  auto cellLess = [](const XY& a, const XY& b) {
    CellKey ka = KeyOf(a.x, a.y), kb = KeyOf(b.x, b.y);
    if (!(ka == kb)) return ka < kb;
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  };
  std::sort(positions_.begin(), positions_.end(), cellLess);
  const size_t surveyCount = positions_.size();
  auto inSurvey = [&](double x, double y) {
    CellKey k = KeyOf(x, y);
    for (int64_t dx = -1; dx <= 1; ++dx) {
      for (int64_t dy = -1; dy <= 1; ++dy) {
        const CellKey cell{k.cx + dx, k.cy + dy};
        auto first = std::partition_point(positions_.begin(), positions_.begin() + static_cast<std::ptrdiff_t>(surveyCount),
                                          [&](const XY& p) { return KeyOf(p.x, p.y) < cell; });
        for (auto it = first; it != positions_.begin() + static_cast<std::ptrdiff_t>(surveyCount) &&
                              KeyOf(it->x, it->y) == cell;
             ++it) {
          if (Matches(it->x, it->y, x, y)) return true;
        }
      }
    }
    return false;
  };
  ToleranceIndex added;
  size_t count = 0;
  auto addLine = [&](const Polyline& line) {
    for (const SurveyPoint& v : line) {
      if (inSurvey(v.x, v.y) || added.Has(v.x, v.y)) continue;
      added.Add(v.x, v.y);
      Append(v);
      ++count;
    }
  };
  for (const Polyline& line : lines.breaklines) addLine(line);
  for (const auto& file : lines.contourFiles) {
    for (const Polyline& line : file) addLine(line);
  }
  for (const Polyline& ring : lines.rings) addLine(ring);
  positions_.resize(surveyCount);  // the added vertices repeat neither the survey nor each other
  return count;
}

bool ProjectWriter::WriteFrame(double margin, std::string& error) {
  if (margin < 0) margin = std::max(10.0, std::max(maxX_ - minX_, maxY_ - minY_) / 10);
  const SurveyPoint corners[4] = {{minX_ - margin, minY_ - margin, 0},
                                  {maxX_ + margin, minY_ - margin, 0},
                                  {maxX_ + margin, maxY_ + margin, 0},
                                  {minX_ - margin, maxY_ + margin, 0}};
  PointRecord records[4];
  for (int i = 0; i < 4; ++i) {
    if (CoordinateFault(corners[i])) {
      error = "a margin of ";
      AppendShortest(error, margin);
      error += " puts the frame beyond 1e11 from 0; use a smaller --margin";
      return false;
    }
    records[i] = TableRecord(corners[i]);
  }
  const std::string path = (staging_ / "Point.xyz").string();
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  bool written = f && std::fwrite(records, sizeof(PointRecord), 4, f) == 4;
  if (f && std::fclose(f) != 0) written = false;
  if (!written) error = path + ": cannot write the frame corners";
  return written;
}

bool ProjectWriter::Finish(const ProjectLines& lines, double margin, ProjectReport& report, std::string& error) {
  report.surveyPoints = positions_.size();
  report.addedLinePoints = AddLineVertices(lines);
  report.repeatedPoints = 0;
  for (size_t i = 1; i < positions_.size(); ++i) {
    if (positions_[i].x == positions_[i - 1].x && positions_[i].y == positions_[i - 1].y) ++report.repeatedPoints;
  }
  const size_t points = report.surveyPoints + report.addedLinePoints;
  report.tableRecords = points + 4;
  const std::string pointPath = (staging_ / "Point.xyz").string();
  if (!pointFile_.Close()) {
    error = pointPath + ": cannot write the file";
    return false;
  }
  if (points > static_cast<size_t>(INT32_MAX / 2 - 8)) {
    error = "too many points for one project (" + std::to_string(points) + ")";
    return false;
  }
  std::string index;
  AppendInt(index, static_cast<int64_t>(report.tableRecords));
  for (double v : {minX_, minY_, maxX_, maxY_}) {
    index += " ";
    AppendShortest(index, v);
  }
  const auto triangleRecords = static_cast<size_t>(TriangleRecordsNeeded(static_cast<int64_t>(report.tableRecords)));
  return WriteFrame(margin, error) && WriteTriangleTable(triangleRecords, error) &&
         WriteText((staging_ / "PtIndex.idx").string(), index + "\n", error) &&
         (lines.breaklines.empty() || WriteBreaklineFiles(staging_, breaklineName_, lines.breaklines, error)) &&
         (lines.contourFiles.empty() || WriteContourFiles(staging_, lines.contourFiles, error)) &&
         (lines.rings.empty() || WriteRingFile(staging_, lines.rings, error)) && MoveIntoPlace(error);
}

// Zero-filled, with its blocks allocated now: the build writes the table
// through a mapping, where a disk that fills up kills it half-way.
bool ProjectWriter::WriteTriangleTable(size_t records, std::string& error) {
  const std::string path = (staging_ / "TIN.tri").string();
  const auto bytes = static_cast<off_t>(records * sizeof(TriangleRecord));
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) {
    error = path + ": cannot create the file: " + std::strerror(errno);
    return false;
  }
  int fault = ::posix_fallocate(fd, 0, bytes);
  if (::close(fd) != 0 && fault == 0) fault = errno;
  if (fault != 0) {
    error = path + ": cannot allocate " + std::to_string(bytes) + " bytes: " + std::strerror(fault);
    return false;
  }
  return true;
}

// The old PMAP, if any, and the finished one change places in one step, so
// that the folder holds the old project or the new one, never a mixture.
bool ProjectWriter::MoveIntoPlace(std::string& error) {
  std::error_code ec;
  const bool replacing = fs::exists(fs::symlink_status(target_, ec));
  if (!replacing) {
    fs::rename(staging_, target_, ec);
  } else if (::renameat2(AT_FDCWD, staging_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) != 0) {
    // A file system without the exchange: the old folder steps aside first
    // and comes back if the new one cannot take its place.
    const fs::path old = staging_.string() + ".old";
    fs::rename(target_, old, ec);
    if (!ec) {
      fs::rename(staging_, target_, ec);
      std::error_code ignored;
      if (ec) fs::rename(old, target_, ignored);
      else fs::remove_all(old, ignored);
    }
  }
  if (ec) {
    error = target_.string() + ": cannot put the project in place: " + ec.message();
    return false;
  }
  // The staging name now holds the old project, if there was one.
  fs::remove_all(staging_, ec);
  staging_.clear();
  createdFrom_.clear();
  return true;
}

namespace {

std::string WorkdirWord(const std::string& projectDirectory) {
  std::string name = fs::absolute(projectDirectory).lexically_normal().string();
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  return name;
}

}  // namespace

bool CheckWorkdirName(const std::string& projectDirectory, std::string& error) {
  const std::string name = WorkdirWord(projectDirectory);
  if (name.find_first_of("$\t\r\n\v\f") == std::string::npos) return true;
  error = name + ": workdir cannot name a project whose path holds '$' or white space other than spaces";
  return false;
}

bool WriteWorkdir(const std::string& installDirectory, const std::string& projectDirectory, std::string& error) {
  std::string name = WorkdirWord(projectDirectory);
  std::replace(name.begin(), name.end(), ' ', '$');
  std::error_code ec;
  fs::create_directories(installDirectory, ec);
  return WriteText((fs::path(installDirectory) / "workdir").string(), name + "\n", error);
}

}  // namespace quarvelin
