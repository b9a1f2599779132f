// Project folders on disk for the tests and the benchmarks: a PMAP folder
// written the way the host writes it, a temporary folder that removes itself,
// a ProgressReporter that records every call, and running the built programs.
//
// The writer is header-only so that the benchmark programs, which link only
// the core, can make their projects with it too.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "build_run/build_run.h"
#include "store/records.h"

namespace quarvelin::testing {

struct SurveyXYZ {
  double x;
  double y;
  double z;
};

// The number as the shortest text that reads back to the same double.
inline std::string ExactText(double value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  return std::string(buffer, end);
}

inline bool WriteBytes(const std::filesystem::path& path, const void* data, size_t size) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// Writes <directory>/PMAP as a host does: PtIndex.idx with the survey's
// bounding box, Point.xyz with four frame corners counter-clockwise round the
// box (margin: a tenth of the larger side, at least 10) and then the survey,
// and a zero-filled TIN.tri of exactly the records the build needs. Every
// nextInCell starts at -1 and the reserved bytes at zero.
inline bool WriteProjectFiles(const std::filesystem::path& directory, const std::vector<SurveyXYZ>& survey) {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  if (!survey.empty()) {
    minX = maxX = survey[0].x;
    minY = maxY = survey[0].y;
  }
  for (const SurveyXYZ& p : survey) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const double margin = std::max(10.0, std::max(maxX - minX, maxY - minY) / 10);
  const SurveyXYZ corners[4] = {{minX - margin, minY - margin, 0},
                                {maxX + margin, minY - margin, 0},
                                {maxX + margin, maxY + margin, 0},
                                {minX - margin, maxY + margin, 0}};
  std::vector<PointRecord> table(survey.size() + 4, PointRecord{});
  for (size_t i = 0; i < table.size(); ++i) {
    const SurveyXYZ& p = i < 4 ? corners[i] : survey[i - 4];
    table[i].x = p.x;
    table[i].y = p.y;
    table[i].z = p.z;
    table[i].nextInCell = -1;
    table[i].incidentTriangle = -1;
  }
  const std::filesystem::path pmap = directory / "PMAP";
  std::error_code ec;
  std::filesystem::create_directories(pmap, ec);
  if (ec) return false;
  std::string index = std::to_string(table.size());
  for (double v : {minX, minY, maxX, maxY}) {
    index.push_back(' ');
    index += ExactText(v);
  }
  index += "\r\n";
  if (!WriteBytes(pmap / "PtIndex.idx", index.data(), index.size())) return false;
  if (!WriteBytes(pmap / "Point.xyz", table.data(), table.size() * sizeof(PointRecord))) return false;
  if (!WriteBytes(pmap / "TIN.tri", nullptr, 0)) return false;
  std::filesystem::resize_file(pmap / "TIN.tri", (2 * survey.size() + 2) * sizeof(TriangleRecord), ec);
  return !ec;
}

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Every call of the build, in order, as "Operation argument".
class RecordingReporter : public ProgressReporter {
 public:
  void SetStatus(const std::string& text) override { calls.push_back("SetStatus " + text); }
  void SetCaptions(const std::string& total, const std::string& done) override {
    calls.push_back("SetCaptions " + total + " " + done);
  }
  void SetTotal(int32_t total) override { calls.push_back("SetTotal " + std::to_string(total)); }
  void SetDone(int32_t done) override { calls.push_back("SetDone " + std::to_string(done)); }
  void ResetBar() override { calls.push_back("ResetBar"); }
  void SetBarPos(int32_t position) override { calls.push_back("SetBarPos " + std::to_string(position)); }
  void SetBarText(const std::string& text) override { calls.push_back("SetBarText " + text); }
  void ShowMessage(const std::string& text) override {
    calls.push_back("ShowMessage " + text);
    messages.push_back(text);
  }
  void ShowSummary(const BuildSummary& summary) override {
    calls.push_back("ShowSummary");
    summaries.push_back(summary);
  }

  std::vector<std::string> calls;
  std::vector<std::string> messages;
  std::vector<BuildSummary> summaries;
};

// Reports nothing: for benchmarks.
class SilentReporter : public ProgressReporter {
 public:
  void SetStatus(const std::string&) override {}
  void SetCaptions(const std::string&, const std::string&) override {}
  void SetTotal(int32_t) override {}
  void SetDone(int32_t) override {}
  void ResetBar() override {}
  void SetBarPos(int32_t) override {}
  void SetBarText(const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  void ShowSummary(const BuildSummary&) override {}
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::string bytes;
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (!f) return bytes;
  char chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
  std::fclose(f);
  return bytes;
}

// Folder of the built programs (quarvelin-cli, quarvelin-prepare).
std::filesystem::path BuildDirectory();
std::filesystem::path SourceDirectory();

struct ProgramResult {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs a built program with the arguments (each quoted for the shell).
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace quarvelin::testing
