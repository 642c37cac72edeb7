// Saving a scale to, and loading it from, a named settings repository of the host.
#include <algorithm>
#include <vector>

#include "zor/ZORColorScaleRecord.h"
#include "colorscale/ZORStNewColorScale.h"
#include "zor/ZORSettingRepository.h"

namespace {

namespace record = ZORSettingsRecord;

ZORSettingRepository* OpenRepository(const ZORUnicodeString& name) {
  return ZORSettingRepository::GetRepository(name.CastToCharPtr(), 0,
                                             ZORSettingRepository::ReadWrite, nullptr);
}

void WriteOne(ZORSettingRepository& repository, const char* name, int value) {
  repository.WriteSetting(name, &value, 1, 0);
}

void WriteOne(ZORSettingRepository& repository, const char* name, double value) {
  repository.WriteSetting(name, &value, 1, 0);
}

// Positions 1 to count of a list, as an array; a position the list lacks gives `missing`.
template <class T>
std::vector<T> FirstPositions(const ZORRawColl<T>& list, int count, T missing) {
  std::vector<T> values(static_cast<std::size_t>(std::max(count, 0)), missing);
  const int copied = std::min(count, list.Size());
  for (int k = 1; k <= copied; ++k) values[static_cast<std::size_t>(k - 1)] = list[k];
  return values;
}

template <class T>
void WriteArray(ZORSettingRepository& repository, const char* name, std::vector<T>& values) {
  repository.WriteSetting(name, values.data(), static_cast<long>(values.size()), 0);
}

// Whether anything was saved under the repository's name: it holds a value of one of the
// record's keys.
bool HoldsARecord(ZORSettingRepository& repository) {
  for (const record::Key& key : record::kKeys) {
    int integer = 0;
    double real = 0.0;
    const long read = key.type == record::Type::Int ? repository.ReadSetting(key.name, &integer, 1)
                                                    : repository.ReadSetting(key.name, &real, 1);
    if (read > 0) return true;
  }
  return false;
}

template <class T>
ZORRawColl<T> ToList(const std::vector<T>& values, std::size_t count) {
  ZORRawColl<T> list;
  for (std::size_t i = 0; i < count; ++i) list.Append(values[i]);
  return list;
}

}  // namespace

int ZORStNewColorScale::SaveToSettings(const ZORUnicodeString& repositoryName) {
  int blocks = 0, nonlinear = 0, absolute = 0, greenIsFlat = 0;
  settingsRepository = OpenRepository(repositoryName);
  // The caller must be able to tell that nothing was saved.
  if (settingsRepository == nullptr) return 0;
  ZORSettingRepository& repository = *settingsRepository;

  // An option without a value is saved as 0.
  GetNumberOfBlocks(blocks);
  GetNonlinearScale(nonlinear);
  GetAbsoluteExtrema(absolute);
  GetGreenIsFlat(greenIsFlat);
  WriteOne(repository, record::kNumberOfBlocks.name, blocks);
  WriteOne(repository, record::kNonlinearScale.name, nonlinear);
  WriteOne(repository, record::kAbsoluteExtrema.name, absolute);
  WriteOne(repository, record::kGreenIsFlat.name, greenIsFlat);
  WriteOne(repository, record::kMinNegativeCrv.name, minNegativeCrv);
  WriteOne(repository, record::kMaxNegativeCrv.name, maxNegativeCrv);
  WriteOne(repository, record::kMinPositiveCrv.name, minPositiveCrv);
  WriteOne(repository, record::kMaxPositiveCrv.name, maxPositiveCrv);

  std::vector<int> undefined(4, 0);
  if (SUCCEEDED(GetColorUndefine(undefined[0], undefined[1], undefined[2], undefined[3]))) {
    WriteArray(repository, record::kUndefineColor.name, undefined);
  }

  int colorCount = 0;
  ZORRawCollint index, red, green, blue, alpha, types;
  if (FAILED(GetColors(&colorCount, &index, &red, &green, &blue, &alpha, &types))) colorCount = 0;
  std::vector<int> colorArrays[6] = {
      FirstPositions(red, colorCount, 0),     FirstPositions(green, colorCount, 0),
      FirstPositions(blue, colorCount, 0),    FirstPositions(alpha, colorCount, 0),
      FirstPositions(index, colorCount, -1),  FirstPositions(types, colorCount, -1)};
  const char* colorKeys[6] = {record::kRed.name,   record::kGreen.name,           record::kBlue.name,
                              record::kAlpha.name, record::kIndexImposedCol.name, record::kInterpolColorType.name};
  for (int l = 0; l < 6; ++l) WriteArray(repository, colorKeys[l], colorArrays[l]);

  int valueCount = 0;
  ZORRawCollint valueIndex, valueTypes;
  ZORRawColldouble values;
  if (SUCCEEDED(GetImposedValues(&valueCount, &valueIndex, &values, &valueTypes))) {
    WriteOne(repository, record::kNumberOfImposedValues.name, valueCount);
  } else {
    valueCount = 0;
  }
  std::vector<double> valueArray = FirstPositions(values, valueCount, 0.0);
  std::vector<int> indexArray = FirstPositions(valueIndex, valueCount, -1);
  std::vector<int> typeArray = FirstPositions(valueTypes, valueCount, -1);
  WriteArray(repository, record::kImposedValues.name, valueArray);
  WriteArray(repository, record::kIndexImposedVal.name, indexArray);
  WriteArray(repository, record::kInterpolValType.name, typeArray);

  // A save that did not reach the file is no save.
  return SUCCEEDED(repository.SaveRepository(nullptr)) ? 1 : 0;
}

int ZORStNewColorScale::LoadFromSettings(const ZORUnicodeString& repositoryName) {
  int blocks = 0, nonlinear = 0, absolute = 0, greenIsFlat = 0;
  settingsRepository = OpenRepository(repositoryName);
  if (settingsRepository == nullptr) return 0;
  ZORSettingRepository& repository = *settingsRepository;
  // A name under which nothing was ever saved (a mistyped one, say) loads nothing: it would
  // otherwise reset three options and report success.
  if (!HoldsARecord(repository)) return 0;

  // A key the repository lacks leaves its variable as it was.
  repository.ReadSetting(record::kNumberOfBlocks.name, &blocks, 1);
  repository.ReadSetting(record::kNonlinearScale.name, &nonlinear, 1);
  repository.ReadSetting(record::kAbsoluteExtrema.name, &absolute, 1);
  repository.ReadSetting(record::kGreenIsFlat.name, &greenIsFlat, 1);
  repository.ReadSetting(record::kMinNegativeCrv.name, &minNegativeCrv, 1);
  repository.ReadSetting(record::kMaxNegativeCrv.name, &maxNegativeCrv, 1);
  repository.ReadSetting(record::kMinPositiveCrv.name, &minPositiveCrv, 1);
  repository.ReadSetting(record::kMaxPositiveCrv.name, &maxPositiveCrv, 1);
  // A count no scale can have is treated as absent: a damaged file may not make the load
  // allocate without bound.
  blocks = record::LoadedBlockCount(blocks);

  // The block count first: it resets the colors and the boundaries.
  if (blocks > 0) SetNumberOfBlocks(blocks);
  if (repository.ReadSetting(record::kUndefineColor.name, undefineColorStaging, 4) == 4) {
    SetColorUndefine(undefineColorStaging[0], undefineColorStaging[1], undefineColorStaging[2],
                     undefineColorStaging[3]);
  }

  if (blocks > 0) {
    const std::size_t n = static_cast<std::size_t>(blocks);
    // What a read does not fill: colors (0, 0, 0, 0), not imposed, type -1.
    std::vector<int> red(n, 0), green(n, 0), blue(n, 0), alpha(n, 0), index(n, -1), types(n, -1);
    repository.ReadSetting(record::kRed.name, red.data(), blocks);
    repository.ReadSetting(record::kGreen.name, green.data(), blocks);
    repository.ReadSetting(record::kBlue.name, blue.data(), blocks);
    repository.ReadSetting(record::kAlpha.name, alpha.data(), blocks);
    repository.ReadSetting(record::kIndexImposedCol.name, index.data(), blocks);
    repository.ReadSetting(record::kInterpolColorType.name, types.data(), blocks);
    // Colors are repaired: components clamped to 0..255, an index that names another position
    // (0, the mark a resize leaves, included) made not imposed.
    for (std::size_t i = 0; i < n; ++i) {
      for (std::vector<int>* component : {&red, &green, &blue, &alpha}) {
        (*component)[i] = std::clamp((*component)[i], 0, 255);
      }
      if (index[i] != -1 && index[i] != static_cast<int>(i + 1)) index[i] = -1;
    }
    ZORRawCollint indexList = ToList(index, n), redList = ToList(red, n),
                  greenList = ToList(green, n), blueList = ToList(blue, n),
                  alphaList = ToList(alpha, n), typeList = ToList(types, n);
    SetColors(blocks, &indexList, &redList, &greenList, &blueList, &alphaList, &typeList);

    // Boundaries are taken as read; what a read does not fill is 0.0, not imposed, type -1.
    const std::size_t boundaries = n - 1;
    std::vector<double> values(boundaries, 0.0);
    std::vector<int> valueIndex(boundaries, -1), valueTypes(boundaries, -1);
    repository.ReadSetting(record::kImposedValues.name, values.data(), blocks - 1);
    repository.ReadSetting(record::kIndexImposedVal.name, valueIndex.data(), blocks - 1);
    repository.ReadSetting(record::kInterpolValType.name, valueTypes.data(), blocks - 1);
    int used = 0;
    repository.ReadSetting(record::kNumberOfImposedValues.name, &used, 1);
    // Never more entries than were read.
    used = std::min(used, blocks - 1);
    const std::size_t usedEntries = static_cast<std::size_t>(record::LoadedBoundaryEntries(used, blocks));
    ZORRawCollint valueIndexList = ToList(valueIndex, usedEntries),
                  valueTypeList = ToList(valueTypes, usedEntries);
    ZORRawColldouble valueList = ToList(values, usedEntries);
    SetImposedValues(used, &valueIndexList, &valueList, &valueTypeList);
  }

  // The options last (each setter skips an equal value).
  SetNonlinearScale(nonlinear);
  SetAbsoluteExtrema(absolute);
  SetGreenIsFlat(greenIsFlat);
  return 1;
}
