// Whole builds of small projects (up to 60 survey points on a coarse lattice,
// so that points repeat and line up, and up to eight breaklines whose ends
// fall on points, near them within the matching tolerance, or anywhere), and
// after each the network's invariants: links symmetric across the right
// edges, triangles counter-clockwise, fixed edges fixed on both sides, and,
// where no two enforced segments cross or overlap, the empty-circle test
// across every edge that is not fixed. (A segment that crosses a fixed edge
// replaces it, and the triangles that edge kept apart stay as they were, so
// crossing lines leave a network that is not constrained Delaunay.)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "build_run/build_run.h"
#include "fuzz_support.h"
#include "support/project_fixture.h"
#include "support/test_network.h"

namespace {

using quarvelin::testing::SurveyXYZ;

constexpr size_t kMaxPoints = 60;
constexpr size_t kMaxLines = 8;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int16_t Word() { return static_cast<int16_t>(Byte() | Byte() << 8); }
  bool Done() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_, at_ = 0;
};

// A lattice of 1/8 m over about ±4 km: coarse enough that points often
// repeat, line up or lie on one circle.
double Coordinate(Input& in) { return in.Word() / 8.0; }

std::string Text(double v) { return quarvelin::testing::ExactText(v); }

// The survey point a line end names: the one within 0.0001 in x and in y
// (lattice points lie further apart, so there is at most one position).
const SurveyXYZ* Resolve(const std::vector<SurveyXYZ>& survey, const SurveyXYZ& v) {
  for (const SurveyXYZ& p : survey) {
    if (std::fabs(p.x - v.x) < 0.0001 && std::fabs(p.y - v.y) < 0.0001) return &p;
  }
  return nullptr;
}

struct Segment {
  SurveyXYZ a, b;
};

int Side(const SurveyXYZ& a, const SurveyXYZ& b, const SurveyXYZ& c) {
  const long double v = (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
                        (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
  return v > 0 ? 1 : v < 0 ? -1 : 0;
}

bool Same(const SurveyXYZ& p, const SurveyXYZ& q) { return p.x == q.x && p.y == q.y; }

// Whether two segments meet anywhere but at one shared end.
bool Conflict(const Segment& s, const Segment& t) {
  const int s1 = Side(s.a, s.b, t.a), s2 = Side(s.a, s.b, t.b), t1 = Side(t.a, t.b, s.a), t2 = Side(t.a, t.b, s.b);
  if (s1 == 0 && s2 == 0) {
    // On one line: they overlap where their spans along it do.
    auto along = [&](const SurveyXYZ& p) { return (p.x - s.a.x) * (s.b.x - s.a.x) + (p.y - s.a.y) * (s.b.y - s.a.y); };
    const double length = along(s.b), u = along(t.a), v = along(t.b);
    return std::max(std::min(u, v), 0.0) < std::min(std::max(u, v), length);
  }
  if (Same(s.a, t.a) || Same(s.a, t.b) || Same(s.b, t.a) || Same(s.b, t.b)) return false;
  return s1 * s2 <= 0 && t1 * t2 <= 0;
}

template <typename T>
std::vector<T> ReadTable(const std::filesystem::path& path) {
  const std::string bytes = quarvelin::testing::ReadFileBytes(path);
  std::vector<T> records(bytes.size() / sizeof(T));
  std::memcpy(records.data(), bytes.data(), records.size() * sizeof(T));
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quarvelin;
  Input in(data, size);
  std::vector<SurveyXYZ> survey(1 + in.Byte() % kMaxPoints);
  for (SurveyXYZ& p : survey) p = {Coordinate(in), Coordinate(in), in.Byte() / 4.0};
  // A vertex: a survey point, the same moved by up to ±0.000127 (either side
  // of the 0.0001 that ends must match within), or a lattice position.
  auto vertex = [&]() -> SurveyXYZ {
    const uint8_t kind = in.Byte();
    const SurveyXYZ& p = survey[in.Byte() % survey.size()];
    if (kind < 128) return p;
    if (kind < 224) return {p.x + static_cast<int8_t>(in.Byte()) * 1e-6, p.y + static_cast<int8_t>(in.Byte()) * 1e-6, p.z};
    return {Coordinate(in), Coordinate(in), 0};
  };
  std::string lines;
  size_t lineCount = 0;
  std::vector<Segment> segments;  // those the build enforces
  for (size_t k = in.Byte() % (kMaxLines + 1); k > 0 && !in.Done(); --k, ++lineCount) {
    const size_t n = 2 + in.Byte() % 3;
    lines += std::to_string(n) + "\n";
    const SurveyXYZ* previous = nullptr;
    for (size_t i = 0; i < n; ++i) {
      const SurveyXYZ v = vertex();
      lines += Text(v.x) + " " + Text(v.y) + " " + Text(v.z) + "\n";
      const SurveyXYZ* end = Resolve(survey, v);
      if (previous && end && !Same(*previous, *end)) segments.push_back({*previous, *end});
      previous = end;
    }
  }
  bool crossing = false;
  for (size_t i = 0; i < segments.size() && !crossing; ++i) {
    for (size_t j = i + 1; j < segments.size() && !crossing; ++j) crossing = Conflict(segments[i], segments[j]);
  }
  BuildOptions options;
  options.maxBoundaryEdge = 100 + in.Byte() * 10;

  const std::filesystem::path project = fuzz::ScratchFolder() / "site", pmap = project / "PMAP";
  std::error_code ec;
  std::filesystem::remove_all(project, ec);
  if (!testing::WriteProjectFiles(project, survey)) fuzz::Fail("cannot write the project");
  lines = std::to_string(lineCount) + "\n" + lines;
  const std::string sline = (pmap / "Lines.txt").string() + "\n";
  testing::WriteBytes(pmap / "Lines.txt", lines.data(), lines.size());
  testing::WriteBytes(pmap / "SLine.txt", sline.data(), sline.size());

  testing::SilentReporter reporter;
  const BuildOutcome outcome = BuildProject(project.string(), options, reporter);
  if (!outcome.completed) fuzz::Fail("a build of a sound project ended early");

  std::vector<PointRecord> points = ReadTable<PointRecord>(pmap / "Point.xyz");
  std::vector<TriangleRecord> triangles = ReadTable<TriangleRecord>(pmap / "TIN.tri");
  ModelStore store;
  store.points = points.data();
  store.pointCount = static_cast<int32_t>(points.size());
  store.triangles = triangles.data();
  store.triangleCapacity = static_cast<int64_t>(triangles.size());
  store.lastTriangle = outcome.summary.triangles;
  std::vector<std::string> faults = testing::CheckNetwork(store);
  if (!crossing) {
    for (const std::string& edge : testing::NonDelaunayEdges(store)) faults.push_back("not Delaunay: " + edge);
  }
  if (!faults.empty()) fuzz::Fail(faults.front() + " (and " + std::to_string(faults.size() - 1) + " more)");
  return 0;
}
