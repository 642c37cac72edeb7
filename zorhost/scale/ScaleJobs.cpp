#include "zorhost/scale/ScaleJobs.h"

#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>

#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/scale/ColorRamps.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/scale/RecordCheck.h"
#include "zorhost/script/ScriptValues.h"

namespace {

constexpr int kFailure = 1;
constexpr int kBadInput = 2;
// Palettes are small: a file larger than this is not one.
constexpr std::streamsize kLargestScaleFile = 16 * 1024 * 1024;

int Report(std::ostream& err, const std::string& message, int status) {
  err << "zorhost scale: " << message << '\n';
  return status;
}

std::string ColorText(const ZORRgba& c) {
  return std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) +
         ", " + std::to_string(c.alpha);
}

// A loaded scale, or the status to end with.
std::optional<int> LoadForJob(ZORModuleHost& host, const std::string& name,
                              ZORIStNewColorScale_var& scale, std::ostream& err) {
  scale = host.NewScale();
  if (!scale) return Report(err, "the host made no color scale", kFailure);
  std::vector<std::string> warnings;
  std::string error;
  const bool loaded = ZORLoadScale(scale.get(), name, warnings, error);
  for (const std::string& warning : warnings) err << "zorhost scale: " << warning << '\n';
  if (!loaded) return Report(err, error, kBadInput);
  return std::nullopt;
}

std::optional<ZORScaleFormat> FormatFor(const std::string& path,
                                        std::optional<ZORScaleFormat> given, std::ostream& err) {
  if (given) return given;
  const std::optional<ZORScaleFormat> format = ZORScaleFormatOfPath(path);
  if (!format) {
    err << "zorhost scale: " << ZORPrintable(path)
        << ": the format is told by the extension .cpt, .json or .csv, or by --format\n";
  }
  return format;
}

// The scale file and the repository's file are not one, and what is written is a file that can be
// replaced; the status to end with otherwise.
std::optional<int> CheckFiles(const std::string& name, const std::string& path, bool exporting,
                              std::ostream& err) {
  const ZORNamedFile file{"the file", path};
  const ZORNamedFile repository{"the settings repository's file", ZORRepositoryPath(name)};
  const std::optional<std::string> problem =
      exporting ? ZORCheckFilePlan({file}, {repository}) : ZORCheckFilePlan({repository}, {file});
  if (!problem) return std::nullopt;
  return Report(err, *problem + "; nothing was written", kBadInput);
}

// The file's text, at most kLargestScaleFile bytes.
bool ReadSmallFile(const std::string& path, std::string& text, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = ZORPrintable(path) + ": cannot be read";
    return false;
  }
  std::string buffer(static_cast<std::size_t>(kLargestScaleFile) + 1, '\0');
  file.read(buffer.data(), kLargestScaleFile + 1);
  if (file.bad()) {
    error = ZORPrintable(path) + ": cannot be read";
    return false;
  }
  if (file.gcount() > kLargestScaleFile) {
    error = ZORPrintable(path) + ": larger than " + std::to_string(kLargestScaleFile) +
            " bytes, too large for a color scale";
    return false;
  }
  buffer.resize(static_cast<std::size_t>(file.gcount()));
  text = std::move(buffer);
  return true;
}

}  // namespace

bool ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                  std::vector<std::string>& warnings, std::string& error) {
  std::vector<ZORSettingEntry> record;
  std::vector<int> lines;
  std::string problem;
  const int found = ZORReadRepositoryFile(name, record, problem, &lines);
  if (found <= 0) {
    error = found == 0 ? "there is no settings repository '" + ZORPrintable(name) + "'" : problem;
    return false;
  }
  warnings = ZORCheckScaleRecord(ZORRepositoryPath(name), record, lines);
  if (scale->LoadFromSettings(name.c_str()) != 1) {
    error = "cannot load the scale from the settings repository '" + ZORPrintable(name) + "'";
    return false;
  }
  if (int blocks = 0; FAILED(scale->GetNumberOfBlocks(blocks)) || blocks < 1) {
    error = "the scale loaded from the settings repository '" + ZORPrintable(name) +
            "' has no blocks to paint with";
    return false;
  }
  return true;
}

int ZORScaleShow(ZORModuleHost& host, const std::string& name, std::ostream& out,
                 std::ostream& err) {
  ZORIStNewColorScale_var scale;
  if (std::optional<int> ended = LoadForJob(host, name, scale, err)) return *ended;
  const ZORScaleTable table = ZORReadScaleTable(scale.get());
  const int n = table.Blocks();
  out << "scale '" << ZORPrintable(name) << "': " << n << " blocks";
  if (table.undefinedColor) out << ", undefined values " << ColorText(*table.undefinedColor);
  out << "\n  block  from                     to                       color (r, g, b, a)   "
         "color    upper boundary\n";
  for (int k = 1; k <= n; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    const std::string from = k == 1 ? "-inf" : ZORScriptValues::Double(table.boundaries[at - 1]);
    const std::string to = k == n ? "inf" : ZORScriptValues::Double(table.boundaries[at]);
    const char* boundary = k == n ? "" : table.boundaryImposed[at] ? "imposed" : "interpolated";
    char line[256];
    std::snprintf(line, sizeof line, "  %5d  %-23s  %-23s  %-19s  %-7s  %s\n", k, from.c_str(),
                  to.c_str(), ColorText(table.colors[at]).c_str(),
                  table.colorImposed[at] ? "imposed" : "blended", boundary);
    out << line;
  }
  return 0;
}

int ZORScaleExport(ZORModuleHost& host, const std::string& name, const std::string& path,
                   std::optional<ZORScaleFormat> format, std::ostream& out, std::ostream& err) {
  format = FormatFor(path, format, err);
  if (!format) return kBadInput;
  if (std::optional<int> ended = CheckFiles(name, path, true, err)) return *ended;
  ZORIStNewColorScale_var scale;
  if (std::optional<int> ended = LoadForJob(host, name, scale, err)) return *ended;
  std::string error;
  const ZORScaleTable table = ZORReadScaleTable(scale.get());
  std::string text = ZORFormatScaleFile(table, *format, name, error);
  if (text.empty()) return Report(err, ZORPrintable(path) + ": " + error, kBadInput);
  if (!ZORWriteFilesWhole({{path, std::move(text)}}, error)) return Report(err, error, kFailure);
  out << "zorhost scale: wrote '" << ZORPrintable(name) << "' to " << ZORPrintable(path) << '\n';
  for (const std::string& loss : ZORScaleFileLosses(table, *format)) {
    out << "zorhost scale: note: " << loss << '\n';
  }
  return 0;
}

int ZORScaleImport(ZORModuleHost& host, const std::string& path, const std::string& name,
                   std::optional<ZORScaleFormat> format, std::ostream& out, std::ostream& err) {
  format = FormatFor(path, format, err);
  if (!format) return kBadInput;
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) {
    return Report(err, why, kBadInput);
  }
  if (std::optional<int> ended = CheckFiles(name, path, false, err)) return *ended;
  std::string text, error;
  if (!ReadSmallFile(path, text, error)) return Report(err, error, kBadInput);
  ZORScaleTable table;
  if (!ZORParseScaleFile(text, *format, ZORPrintable(path), table, error)) {
    return Report(err, error, kBadInput);
  }
  ZORIStNewColorScale_var scale = host.NewScale();
  if (!scale) return Report(err, "the host made no color scale", kFailure);
  if (!ZORWriteScaleTable(scale.get(), table, error)) return Report(err, error, kFailure);
  if (scale->SaveToSettings(name.c_str()) != 1) {
    return Report(err, "cannot save the scale to the settings repository '" + ZORPrintable(name) + "'",
                  kFailure);
  }
  out << "zorhost scale: read " << table.Blocks() << " blocks from " << ZORPrintable(path)
      << " into '" << ZORPrintable(name) << "'\n";
  return 0;
}

int ZORScalePresets(std::ostream& out) {
  for (const ZORColorPreset& preset : ZORColorPresets()) {
    char line[256];
    std::snprintf(line, sizeof line, "%-10s  %3zu colors  %s\n", preset.name, preset.anchors.size(),
                  preset.use);
    out << line;
  }
  return 0;
}
