#include "project_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "platform/text_writer.h"
#include "store/records.h"

namespace quarvelin {

namespace fs = std::filesystem;

namespace {

constexpr double kMatchTolerance = 0.0001;

// Shortest text that reads back as the same double.
void AppendExact(std::string& out, double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  out.append(buffer, end);
}

struct CellKey {
  int64_t cx, cy;
  bool operator==(const CellKey&) const = default;
};
struct CellKeyHash {
  size_t operator()(const CellKey& k) const { return std::hash<int64_t>()(k.cx * 73856093 ^ k.cy * 19349663); }
};

// Points filed in cells of the tolerance's size, to answer "is there a point
// within the tolerance" by looking at nine cells.
class ToleranceIndex {
 public:
  void Add(const SurveyPoint& p) { cells_[KeyOf(p.x, p.y)].push_back({p.x, p.y}); }
  bool Has(double x, double y) const {
    CellKey k = KeyOf(x, y);
    for (int64_t dx = -1; dx <= 1; ++dx) {
      for (int64_t dy = -1; dy <= 1; ++dy) {
        auto it = cells_.find({k.cx + dx, k.cy + dy});
        if (it == cells_.end()) continue;
        for (auto [px, py] : it->second) {
          if (std::fabs(px - x) < kMatchTolerance && std::fabs(py - y) < kMatchTolerance) return true;
        }
      }
    }
    return false;
  }

 private:
  static CellKey KeyOf(double x, double y) {
    return {static_cast<int64_t>(std::floor(x / kMatchTolerance)), static_cast<int64_t>(std::floor(y / kMatchTolerance))};
  }
  std::unordered_map<CellKey, std::vector<std::pair<double, double>>, CellKeyHash> cells_;
};

bool WriteText(const std::string& path, const std::string& text, std::string& error) {
  TextWriter out;
  if (!out.Open(path) || (out.Write(text), !out.Close())) {
    error = path + ": cannot write the file";
    return false;
  }
  return true;
}

bool WriteBreaklineFiles(const fs::path& pmap, const std::vector<Polyline>& lines, std::string& error) {
  fs::path file = fs::absolute(pmap / "Breaklines.txt");
  std::string name = file.string();
  if (name.find_first_of(" \t\r\n") != std::string::npos) {
    error = name + ": SLine.txt cannot name a breakline file whose path holds white space";
    return false;
  }
  std::string text;
  AppendInt(text, static_cast<int64_t>(lines.size()));
  text += "\n";
  for (const Polyline& line : lines) {
    AppendInt(text, static_cast<int64_t>(line.size()));
    text += "\n";
    for (const SurveyPoint& p : line) {
      AppendExact(text, p.x);
      text += " ";
      AppendExact(text, p.y);
      text += " ";
      AppendExact(text, p.z);
      text += "\n";
    }
  }
  return WriteText(name, text, error) && WriteText((pmap / "SLine.txt").string(), name + "\n", error);
}

bool WriteContourFiles(const fs::path& pmap, const std::vector<std::vector<Polyline>>& files, std::string& error) {
  for (size_t k = 0; k < files.size(); ++k) {
    std::string text = "0 0 ";
    AppendInt(text, static_cast<int64_t>(files[k].size()));
    text += " 0\n";
    for (const Polyline& line : files[k]) {
      AppendInt(text, static_cast<int64_t>(line.size()));
      text += " ";
      AppendExact(text, line.empty() ? 0.0 : line.front().z);
      text += " 0\n";
      for (const SurveyPoint& p : line) {
        AppendExact(text, p.x);
        text += " ";
        AppendExact(text, p.y);
        text += "\n";
      }
    }
    if (!WriteText((pmap / ("Point." + std::to_string(k + 1))).string(), text, error)) return false;
  }
  std::string count;
  AppendInt(count, static_cast<int64_t>(files.size()));
  return WriteText((pmap / "fnum").string(), count + "\n", error);
}

}  // namespace

void AddLineVertices(ProjectInput& input, ProjectReport& report) {
  ToleranceIndex index;
  for (const SurveyPoint& p : input.points) index.Add(p);
  auto addLine = [&](const Polyline& line) {
    for (const SurveyPoint& v : line) {
      if (index.Has(v.x, v.y)) continue;
      input.points.push_back(v);
      index.Add(v);
      ++report.addedLinePoints;
    }
  };
  for (const Polyline& line : input.breaklines) addLine(line);
  for (const auto& file : input.contourFiles) {
    for (const Polyline& line : file) addLine(line);
  }
}

bool WriteProject(const std::string& projectDirectory, ProjectInput& input, ProjectReport& report, std::string& error) {
  report.surveyPoints = input.points.size();
  AddLineVertices(input, report);
  const std::vector<SurveyPoint>& points = input.points;
  if (points.size() > static_cast<size_t>(INT32_MAX / 2 - 8)) {
    error = "too many points for one project";
    return false;
  }
  for (size_t i = 0; i < points.size(); ++i) {
    if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) || !std::isfinite(points[i].z)) {
      error = "point " + std::to_string(i + 1) + " has a coordinate that is not a finite number";
      return false;
    }
  }
  {
    struct PairHash {
      size_t operator()(const std::pair<double, double>& p) const {
        return std::hash<double>()(p.first) * 31 ^ std::hash<double>()(p.second);
      }
    };
    std::unordered_set<std::pair<double, double>, PairHash> seen;
    seen.reserve(points.size());
    for (const SurveyPoint& p : points) {
      if (!seen.insert({p.x, p.y}).second) ++report.repeatedPoints;
    }
  }

  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  if (!points.empty()) {
    minX = maxX = points[0].x;
    minY = maxY = points[0].y;
    for (const SurveyPoint& p : points) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
  }
  double margin = input.frameMargin >= 0 ? input.frameMargin : std::max(10.0, std::max(maxX - minX, maxY - minY) / 10);

  std::error_code ec;
  fs::path pmap = fs::path(projectDirectory) / "PMAP";
  fs::create_directories(pmap, ec);
  if (ec) {
    error = pmap.string() + ": cannot create the folder: " + ec.message();
    return false;
  }

  // Point.xyz: the frame counter-clockwise, then the survey.
  std::vector<PointRecord> table(points.size() + 4);
  const SurveyPoint corners[4] = {{minX - margin, minY - margin, 0},
                                  {maxX + margin, minY - margin, 0},
                                  {maxX + margin, maxY + margin, 0},
                                  {minX - margin, maxY + margin, 0}};
  for (size_t i = 0; i < table.size(); ++i) {
    const SurveyPoint& p = i < 4 ? corners[i] : points[i - 4];
    PointRecord& r = table[i];
    r = PointRecord{};
    r.x = p.x;
    r.y = p.y;
    r.z = p.z;
    r.nextInCell = -1;
    r.incidentTriangle = -1;
  }
  report.tableRecords = table.size();
  std::string pointPath = (pmap / "Point.xyz").string();
  std::FILE* f = std::fopen(pointPath.c_str(), "wb");
  if (!f) {
    error = pointPath + ": cannot create the file";
    return false;
  }
  bool written = std::fwrite(table.data(), sizeof(PointRecord), table.size(), f) == table.size();
  written = std::fclose(f) == 0 && written;
  if (!written) {
    error = pointPath + ": cannot write the file";
    return false;
  }

  // TIN.tri: zero-filled, two records per survey point and two for the frame.
  std::string trianglePath = (pmap / "TIN.tri").string();
  f = std::fopen(trianglePath.c_str(), "wb");
  if (!f || std::fclose(f) != 0) {
    error = trianglePath + ": cannot create the file";
    return false;
  }
  fs::resize_file(trianglePath, (2 * points.size() + 2) * sizeof(TriangleRecord), ec);
  if (ec) {
    error = trianglePath + ": cannot size the file: " + ec.message();
    return false;
  }

  std::string index;
  AppendInt(index, static_cast<int64_t>(table.size()));
  for (double v : {minX, minY, maxX, maxY}) {
    index += " ";
    AppendExact(index, v);
  }
  if (!WriteText((pmap / "PtIndex.idx").string(), index + "\n", error)) return false;

  if (!input.breaklines.empty() && !WriteBreaklineFiles(pmap, input.breaklines, error)) return false;
  if (!input.contourFiles.empty() && !WriteContourFiles(pmap, input.contourFiles, error)) return false;
  return true;
}

bool WriteWorkdir(const std::string& installDirectory, const std::string& projectDirectory, std::string& error) {
  std::string name = fs::absolute(projectDirectory).lexically_normal().string();
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  std::replace(name.begin(), name.end(), ' ', '$');
  std::error_code ec;
  fs::create_directories(installDirectory, ec);
  return WriteText((fs::path(installDirectory) / "workdir").string(), name + "\n", error);
}

}  // namespace quarvelin
