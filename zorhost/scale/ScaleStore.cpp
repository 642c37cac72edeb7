#include "zorhost/scale/ScaleStore.h"

#include "zor/ZORHostSession.h"
#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/scale/RecordCheck.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleSnapshot.h"

ZOROutcome ZORScaleFormatFor(const std::string& path, std::optional<ZORScaleFormat>& format) {
  if (!format) format = ZORScaleFormatOfPath(path);
  if (format) return std::nullopt;
  return ZORBadInput(ZORPrintable(path) + ": the format is told by the extension .cpt, .json or .csv, or by --format");
}

ZORScaleTable ZORReadScaleTable(ZORIStNewColorScale* scale) {
  return ZORScaleTableOf(ZORScaleSnapshot(scale));
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
  table.tolerance = definition.tolerance;
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

namespace {

// A relative scale holds no values of its own: its extremes follow the values it paints (their
// smallest and largest) unless a range is imposed.
void FollowValuesIfRelative(ZORIStNewColorScale* scale, const std::vector<double>& relative) {
  if (relative.empty()) return;
  scale->SetAutoMinMaxStatus(ZORTrue);
  scale->SetAutoMinMaxOption(0);
}

}  // namespace

ZOROutcome ZORImportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format, ZORScaleFileRead& read,
                              std::vector<double>& relative) {
  if (ZOROutcome problem = ZORScaleFormatFor(path, format)) return problem;
  std::string text;
  if (ZOROutcome problem = ZORReadWholeFile(path, kZORLargestTextFile, "a color scale", text)) return problem;
  ZORScaleTable table;
  if (ZOROutcome problem = ZORParseScaleFile(text, *format, ZORPrintable(path), table, &read)) return problem;
  relative = ZORRelativeFractions(table);
  if (ZOROutcome problem = ZORWriteScaleTable(scale, table)) return problem;
  FollowValuesIfRelative(scale, relative);
  return std::nullopt;
}

std::vector<double> ZORRelativeFractions(const ZORScaleTable& table) {
  if (!table.relative || table.boundaries.size() < 2) return {};
  const double first = table.boundaries.front(), span = table.boundaries.back() - first;
  const std::size_t count = table.boundaries.size();
  // The ends are set, not computed: rounding must not move them off 0 and 1.
  std::vector<double> fractions(count, 0.0);
  for (std::size_t index = 1; index + 1 < count; ++index) fractions[index] = (table.boundaries[index] - first) / span;
  fractions[count - 1] = 1.0;
  return fractions;
}

ZOROutcome ZORSaveScale(ZORIStNewColorScale* scale, const std::string& name, const std::vector<double>& relative) {
  const std::string failure = "cannot save the scale to the settings repository '" + ZORPrintable(name) + "'";
  if (scale->SaveToSettings(name.c_str()) != 1) return ZORFailure(failure);
  if (relative.empty()) return std::nullopt;
  ZORSettingRepository* repository = ZORSettingRepository::GetRepository(name.c_str(), 0, ZORSettingRepository::ReadWrite, nullptr);
  std::vector<double> fractions = relative;
  if (repository == nullptr ||
      FAILED(repository->WriteSetting(kZORRelativeBoundariesKey, fractions.data(), static_cast<long>(fractions.size()), 0)) ||
      FAILED(repository->SaveRepository(nullptr))) {
    return ZORFailure(failure + " with its relative boundaries");
  }
  return std::nullopt;
}

ZOROutcome ZORExportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format, const std::string& name,
                              std::vector<std::string>& losses) {
  if (ZOROutcome problem = ZORScaleFormatFor(path, format)) return problem;
  const ZORScaleTable table = ZORReadScaleTable(scale);
  std::string text;
  if (ZOROutcome problem = ZORFormatScaleFile(table, *format, name, text)) {
    return ZORInContext(ZORPrintable(path) + ": ", problem);
  }
  if (ZOROutcome problem = ZORWriteFilesWhole({{path, std::move(text)}})) return problem;
  losses = ZORScaleFileLosses(table, *format);
  return std::nullopt;
}

ZOROutcome ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                        std::vector<std::string>& warnings, std::vector<double>* relative) {
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
  if (relative != nullptr) {
    relative->clear();
    int blocks = 0;
    scale->GetNumberOfBlocks(blocks);
    for (const ZORSettingEntry& entry : record) {
      if (entry.key == kZORRelativeBoundariesKey && entry.isDouble &&
          entry.doubles.size() == static_cast<std::size_t>(blocks - 1) && blocks >= 3) {
        *relative = entry.doubles;
      }
    }
    FollowValuesIfRelative(scale, *relative);
  }
  return std::nullopt;
}
