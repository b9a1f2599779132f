#include "store/line_files.h"

#include "platform/system.h"
#include "platform/text_writer.h"
#include "store/project_format.h"

namespace quarvelin {

std::string ContourFileName(int32_t k) {
  std::string name = "Point.";
  AppendInt(name, k);
  return name;
}

std::string BreaklineFilePath(const std::string& projectDirectory) {
  TextScanner scan;
  std::string path;
  if (scan.Open(ProjectFilePath(projectDirectory, kLineFileFolder, kBreaklineNameFile))) scan.ReadWord(path);
  return path;
}

std::string ContourCountPath(const std::string& projectDirectory) {
  return ProjectFilePath(projectDirectory, kLineFileFolder, kContourCountFile);
}

std::string ContourFilePath(const std::string& projectDirectory, int32_t k) {
  return ProjectFilePath(projectDirectory, kLineFileFolder, ContourFileName(k));
}

bool LineFileReader::ReadLineCount(int32_t& lineCount) {
  if (kind_ == Kind::kBreaklines) return scan_.ReadInt(lineCount);
  double unusedA = 0, unusedB = 0;
  int32_t unusedC = 0;
  return scan_.ReadDouble(unusedA) && scan_.ReadDouble(unusedB) && scan_.ReadInt(lineCount) &&
         scan_.ReadInt(unusedC) && lineCount >= 0;
}

bool LineFileReader::ReadPoint(double height) {
  last_.z = height;
  if (!scan_.ReadDouble(last_.x) || !scan_.ReadDouble(last_.y) ||
      (kind_ == Kind::kBreaklines && !scan_.ReadDouble(last_.z))) {
    return false;
  }
  pointRead_ = true;
  return true;
}

LineRead LineFileReader::ReadLine(std::vector<LineVertex>& line) {
  line.clear();
  int32_t count = 0;
  double height = 0;
  if (kind_ == Kind::kBreaklines) {
    if (!scan_.ReadInt(count)) return LineRead::kBadLineHeader;
    if (count > kMaxBreaklinePoints) return LineRead::kOverlong;
  } else {
    int32_t unusedCode = 0;
    if (!scan_.ReadInt(count) || !scan_.ReadDouble(height) || !scan_.ReadInt(unusedCode)) {
      return LineRead::kBadLineHeader;
    }
  }
  for (int32_t k = 0; k < count; ++k) {
    if (!ReadPoint(height)) return LineRead::kBadPoints;
    line.push_back(last_);
  }
  return LineRead::kRead;
}

}  // namespace quarvelin
