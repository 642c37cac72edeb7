#include "zorhost/scale/ScaleStore.h"

#include <fstream>

#include "zor/ZORHostSession.h"
#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/scale/RecordCheck.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleSnapshot.h"

namespace {

// Palettes are small: a file larger than this is not one.
constexpr std::streamsize kLargestScaleFile = 16 * 1024 * 1024;

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

ZOROutcome ZORScaleFormatFor(const std::string& path, std::optional<ZORScaleFormat>& format) {
  if (!format) format = ZORScaleFormatOfPath(path);
  if (format) return std::nullopt;
  return ZORBadInput(ZORPrintable(path) + ": the format is told by the extension .cpt, .json or .csv, or by --format");
}

ZORScaleTable ZORReadScaleTable(ZORIStNewColorScale* scale) {
  return ZORScaleTableOf(ZORScaleSnapshot(scale, ZORHostSession::kDefaultModelTolerance));
}

ZORScaleTable ZORScaleTableOf(const ZORScaleSnapshot& snapshot) {
  ZORScaleTable table;
  const ZORScaleDefinition& definition = snapshot.Definition();
  for (int k = 1; k <= snapshot.Blocks(); ++k) {
    table.colors.push_back(snapshot.Color(k));
    table.colorImposed.push_back(snapshot.ColorImposed(k));
  }
  for (int k = 1; k <= static_cast<int>(definition.boundaries.size()); ++k) {
    table.boundaries.push_back(snapshot.Boundary(k));
    table.boundaryImposed.push_back(snapshot.BoundaryImposed(k));
  }
  table.undefinedColor = definition.undefinedColor;
  return table;
}

ZOROutcome ZORWriteScaleTable(ZORIStNewColorScale* scale, const ZORScaleTable& table) {
  if (FAILED(scale->SetNumberOfBlocks(table.Blocks()))) {
    return ZORFailure("the scale refuses " + std::to_string(table.Blocks()) + " blocks");
  }
  std::vector<ZORImposedBlockColor> imposed;
  for (int k = 1; k <= table.Blocks(); ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    if (table.colorImposed[at]) imposed.push_back({k, table.colors[at]});
  }
  if (!ZORImposeColors(scale, imposed)) return ZORFailure("the scale refuses the colors");
  ZORRawCollint positions, valueTypes;
  ZORRawColldouble values;
  for (std::size_t at = 0; at < table.boundaries.size(); ++at) {
    if (!table.boundaryImposed[at]) continue;
    positions.Append(static_cast<int>(at + 1));
    values.Append(table.boundaries[at]);
    valueTypes.Append(0);
  }
  if (FAILED(scale->SetImposedValues(values.Size(), &positions, &values, &valueTypes))) {
    return ZORFailure("the scale refuses the boundaries");
  }
  if (!table.boundaries.empty() && table.boundaryImposed.front() && table.boundaryImposed.back()) {
    scale->SetExtremeImposedValues(table.boundaries.front(), table.boundaries.back());
  }
  if (table.undefinedColor) {
    const ZORRgba& u = *table.undefinedColor;
    if (FAILED(scale->SetColorUndefine(u.red, u.green, u.blue, u.alpha))) {
      return ZORFailure("the scale refuses the undefined color");
    }
  }
  return std::nullopt;
}

ZOROutcome ZORImportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format) {
  if (ZOROutcome problem = ZORScaleFormatFor(path, format)) return problem;
  std::string text, error;
  if (!ReadSmallFile(path, text, error)) return ZORBadInput(error);
  ZORScaleTable table;
  if (!ZORParseScaleFile(text, *format, ZORPrintable(path), table, error)) return ZORBadInput(error);
  return ZORWriteScaleTable(scale, table);
}

ZOROutcome ZORExportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format, const std::string& name,
                              std::vector<std::string>& losses) {
  if (ZOROutcome problem = ZORScaleFormatFor(path, format)) return problem;
  std::string error;
  const ZORScaleTable table = ZORReadScaleTable(scale);
  std::string text = ZORFormatScaleFile(table, *format, name, error);
  if (text.empty()) return ZORBadInput(ZORPrintable(path) + ": " + error);
  if (!ZORWriteFilesWhole({{path, std::move(text)}}, error)) return ZORFailure(error);
  losses = ZORScaleFileLosses(table, *format);
  return std::nullopt;
}

ZOROutcome ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                        std::vector<std::string>& warnings) {
  std::vector<ZORSettingEntry> record;
  std::vector<int> lines;
  std::string problem;
  const int found = ZORReadRepositoryFile(name, record, problem, &lines);
  if (found <= 0) {
    return ZORBadInput(found == 0 ? "there is no settings repository '" + ZORPrintable(name) + "'" : problem);
  }
  warnings = ZORCheckScaleRecord(ZORRepositoryPath(name), record, lines);
  if (scale->LoadFromSettings(name.c_str()) != 1) {
    return ZORBadInput("cannot load the scale from the settings repository '" + ZORPrintable(name) + "'");
  }
  if (int blocks = 0; FAILED(scale->GetNumberOfBlocks(blocks)) || blocks < 1) {
    return ZORBadInput("the scale loaded from the settings repository '" + ZORPrintable(name) +
                       "' has no blocks to paint with");
  }
  return std::nullopt;
}
