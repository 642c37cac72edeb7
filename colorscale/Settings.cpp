// Saving a scale to, and loading it from, a named settings repository of the host.
#include <algorithm>
#include <vector>

#include "colorscale/ZORStNewColorScale.h"
#include "zor/ZORSettingRepository.h"

namespace {

// The settings record of a color scale, in the order the save writes it.
namespace key {
constexpr const char* kNumberOfBlocks = "NumberOfBlocks";
constexpr const char* kNonlinearScale = "NonlinearScale";
constexpr const char* kAbsoluteExtrema = "AbsoluteExtrema";
constexpr const char* kGreenIsFlat = "GreenIsFlat";
constexpr const char* kMinNegativeCrv = "Min_NegativeCrv";
constexpr const char* kMaxNegativeCrv = "Max_NegativeCrv";
constexpr const char* kMinPositiveCrv = "Min_PositiveCrv";
constexpr const char* kMaxPositiveCrv = "Max_PositiveCrv";
constexpr const char* kUndefineColor = "UndefineColor";
constexpr const char* kRed = "Red";
constexpr const char* kGreen = "Green";
constexpr const char* kBlue = "Blue";
constexpr const char* kAlpha = "Alpha";
constexpr const char* kIndexImposedCol = "IndexImposedCol";
constexpr const char* kInterpolColorType = "InterpolColorType";
constexpr const char* kNumberOfImposedValues = "NumberOfImposedValues";
constexpr const char* kImposedValues = "ImposedValues";
constexpr const char* kIndexImposedVal = "IndexImposedVal";
constexpr const char* kInterpolValType = "InterpolValType";
}  // namespace key

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
  WriteOne(repository, key::kNumberOfBlocks, blocks);
  WriteOne(repository, key::kNonlinearScale, nonlinear);
  WriteOne(repository, key::kAbsoluteExtrema, absolute);
  WriteOne(repository, key::kGreenIsFlat, greenIsFlat);
  WriteOne(repository, key::kMinNegativeCrv, minNegativeCrv);
  WriteOne(repository, key::kMaxNegativeCrv, maxNegativeCrv);
  WriteOne(repository, key::kMinPositiveCrv, minPositiveCrv);
  WriteOne(repository, key::kMaxPositiveCrv, maxPositiveCrv);

  std::vector<int> undefined(4, 0);
  if (SUCCEEDED(GetColorUndefine(undefined[0], undefined[1], undefined[2], undefined[3]))) {
    WriteArray(repository, key::kUndefineColor, undefined);
  }

  int colorCount = 0;
  ZORRawCollint index, red, green, blue, alpha, types;
  if (FAILED(GetColors(&colorCount, &index, &red, &green, &blue, &alpha, &types))) colorCount = 0;
  std::vector<int> colorArrays[6] = {
      FirstPositions(red, colorCount, 0),     FirstPositions(green, colorCount, 0),
      FirstPositions(blue, colorCount, 0),    FirstPositions(alpha, colorCount, 0),
      FirstPositions(index, colorCount, -1),  FirstPositions(types, colorCount, -1)};
  const char* colorKeys[6] = {key::kRed,   key::kGreen,           key::kBlue,
                              key::kAlpha, key::kIndexImposedCol, key::kInterpolColorType};
  for (int l = 0; l < 6; ++l) WriteArray(repository, colorKeys[l], colorArrays[l]);

  int valueCount = 0;
  ZORRawCollint valueIndex, valueTypes;
  ZORRawColldouble values;
  if (SUCCEEDED(GetImposedValues(&valueCount, &valueIndex, &values, &valueTypes))) {
    WriteOne(repository, key::kNumberOfImposedValues, valueCount);
  } else {
    valueCount = 0;
  }
  std::vector<double> valueArray = FirstPositions(values, valueCount, 0.0);
  std::vector<int> indexArray = FirstPositions(valueIndex, valueCount, -1);
  std::vector<int> typeArray = FirstPositions(valueTypes, valueCount, -1);
  WriteArray(repository, key::kImposedValues, valueArray);
  WriteArray(repository, key::kIndexImposedVal, indexArray);
  WriteArray(repository, key::kInterpolValType, typeArray);

  // A save that did not reach the file is no save.
  return SUCCEEDED(repository.SaveRepository(nullptr)) ? 1 : 0;
}

int ZORStNewColorScale::LoadFromSettings(const ZORUnicodeString& repositoryName) {
  int blocks = 0, nonlinear = 0, absolute = 0, greenIsFlat = 0;
  settingsRepository = OpenRepository(repositoryName);
  if (settingsRepository == nullptr) return 0;
  ZORSettingRepository& repository = *settingsRepository;

  // A key the repository lacks leaves its variable as it was.
  repository.ReadSetting(key::kNumberOfBlocks, &blocks, 1);
  repository.ReadSetting(key::kNonlinearScale, &nonlinear, 1);
  repository.ReadSetting(key::kAbsoluteExtrema, &absolute, 1);
  repository.ReadSetting(key::kGreenIsFlat, &greenIsFlat, 1);
  repository.ReadSetting(key::kMinNegativeCrv, &minNegativeCrv, 1);
  repository.ReadSetting(key::kMaxNegativeCrv, &maxNegativeCrv, 1);
  repository.ReadSetting(key::kMinPositiveCrv, &minPositiveCrv, 1);
  repository.ReadSetting(key::kMaxPositiveCrv, &maxPositiveCrv, 1);
  // A count no scale can have is treated as absent: a damaged file may not make the load
  // allocate without bound.
  if (blocks > kMaximumBlockCount) blocks = 0;

  // The block count first: it resets the colors and the boundaries.
  if (blocks > 0) SetNumberOfBlocks(blocks);
  if (repository.ReadSetting(key::kUndefineColor, undefineColorStaging, 4) == 4) {
    SetColorUndefine(undefineColorStaging[0], undefineColorStaging[1], undefineColorStaging[2],
                     undefineColorStaging[3]);
  }

  if (blocks > 0) {
    const std::size_t n = static_cast<std::size_t>(blocks);
    // What a read does not fill: colors (0, 0, 0, 0), not imposed, type -1.
    std::vector<int> red(n, 0), green(n, 0), blue(n, 0), alpha(n, 0), index(n, -1), types(n, -1);
    repository.ReadSetting(key::kRed, red.data(), blocks);
    repository.ReadSetting(key::kGreen, green.data(), blocks);
    repository.ReadSetting(key::kBlue, blue.data(), blocks);
    repository.ReadSetting(key::kAlpha, alpha.data(), blocks);
    repository.ReadSetting(key::kIndexImposedCol, index.data(), blocks);
    repository.ReadSetting(key::kInterpolColorType, types.data(), blocks);
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
    repository.ReadSetting(key::kImposedValues, values.data(), blocks - 1);
    repository.ReadSetting(key::kIndexImposedVal, valueIndex.data(), blocks - 1);
    repository.ReadSetting(key::kInterpolValType, valueTypes.data(), blocks - 1);
    int used = 0;
    repository.ReadSetting(key::kNumberOfImposedValues, &used, 1);
    // Never more entries than were read.
    used = std::min(used, blocks - 1);
    const std::size_t usedEntries = static_cast<std::size_t>(std::max(used, 0));
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
