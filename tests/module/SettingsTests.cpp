// Saving a scale to a settings repository and loading it into this or another scale.
#include "support/ZORTestSupport.h"
#include "zor/ZORSettingRepository.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

class Settings : public ZORScaleTest {
 protected:
  // The stored record as the host keeps it.
  std::vector<ZORSettingEntry> Record(const char* name) {
    ZORSettingRepository* repository =
        ZORSettingRepository::GetRepository(name, 0, ZORSettingRepository::ReadWrite, nullptr);
    EXPECT_NE(repository, nullptr);
    return repository != nullptr ? repository->Entries() : std::vector<ZORSettingEntry>{};
  }
  void Store(const char* name, const std::string& text) { WriteWholeFile(folder_.File(name), text); }
  struct StoredColors {
    std::vector<int> index, red, green, blue, alpha, types;
  };
  StoredColors Colors(ZORIStNewColorScale* scale) {
    ZORRawCollint index, red, green, blue, alpha, types;
    int count = 0;
    scale->GetColors(&count, &index, &red, &green, &blue, &alpha, &types);
    return {ToVector(index), ToVector(red), ToVector(green), ToVector(blue), ToVector(alpha),
            ToVector(types)};
  }

  ZORTemporarySettingsFolder folder_;
};

TEST_F(Settings, SavedRecordOfFiveBlocks) {
  ConfigureScale(scale_.get(), 5, {{1, 0, 0, 255, 255}, {5, 255, 0, 0, 255}}, {{1, -1.0}, {4, 2.0}});
  scale_->SetNonlinearScale(3);
  scale_->SetCurvatureLimits(-2.0, -0.5, 0.5, 2.0);
  ASSERT_EQ(scale_->SaveToSettings("five"), 1);
  std::vector<std::pair<std::string, std::size_t>> layout;
  for (const ZORSettingEntry& entry : Record("five")) {
    layout.emplace_back(entry.key, entry.isDouble ? entry.doubles.size() : entry.integers.size());
  }
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"NumberOfBlocks", 1}, {"NonlinearScale", 1},   {"AbsoluteExtrema", 1},
      {"GreenIsFlat", 1},    {"Min_NegativeCrv", 1},  {"Max_NegativeCrv", 1},
      {"Min_PositiveCrv", 1}, {"Max_PositiveCrv", 1}, {"UndefineColor", 4},
      {"Red", 5},            {"Green", 5},            {"Blue", 5},
      {"Alpha", 5},          {"IndexImposedCol", 5},  {"InterpolColorType", 5},
      {"NumberOfImposedValues", 1}, {"ImposedValues", 4}, {"IndexImposedVal", 4},
      {"InterpolValType", 4}};
  EXPECT_EQ(layout, expected);
  const std::string file = ReadWholeFile(folder_.File("five"));
  EXPECT_NE(file.find("NumberOfBlocks int 5\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Red int 0 -1 -1 -1 255\n"), std::string::npos) << file;
  EXPECT_NE(file.find("IndexImposedCol int 1 -1 -1 -1 5\n"), std::string::npos) << file;
  EXPECT_NE(file.find("ImposedValues double -1 0 0 2\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Min_NegativeCrv double -2\n"), std::string::npos) << file;
}

TEST_F(Settings, LoadRepairsColors) {
  Store("repair",
        "NumberOfBlocks int 3\n"
        "Red int -20 300 7\nGreen int 1 2 3\nBlue int 1 2 3\nAlpha int 255 255 999\n"
        "IndexImposedCol int 1 3 0\nInterpolColorType int 4 5 6\n"
        "NumberOfImposedValues int 2\nImposedValues double 0.5 1.5\n"
        "IndexImposedVal int 1 2\nInterpolValType int 9 9\n");
  ASSERT_EQ(scale_->LoadFromSettings("repair"), 1);
  StoredColors colors = Colors(scale_.get());
  // Index 3 at position 2 names another position, and 0 is the mark of a reset: not imposed.
  EXPECT_EQ(colors.index, (std::vector<int>{1, -1, -1}));
  EXPECT_EQ(colors.red, (std::vector<int>{0, -1, -1}));
  EXPECT_EQ(colors.types, (std::vector<int>{4, -1, -1}));
  Store("repair2", "NumberOfBlocks int 3\nRed int 1 2 3\nIndexImposedCol int -1 2 3\n"
                   "Alpha int -5 999 255\n");
  ASSERT_EQ(scale_->LoadFromSettings("repair2"), 1);
  colors = Colors(scale_.get());
  EXPECT_EQ(colors.index, (std::vector<int>{-1, 2, 3}));
  EXPECT_EQ(colors.red, (std::vector<int>{-1, 2, 3}));
  EXPECT_EQ(colors.alpha, (std::vector<int>{0, 255, 255}));
  // Green and blue were missing: 0.
  EXPECT_EQ(colors.green, (std::vector<int>{-1, 0, 0}));
  // Boundaries are taken as read.
  ZORRawColldouble table;
  ZORRawCollint index;
  scale_->GetValueTable(&table, &index, nullptr, nullptr);
  EXPECT_EQ(ToVector(index), (std::vector<int>{-1, -1}));
}

TEST_F(Settings, RecordWithoutBlockCount) {
  ConfigureScale(scale_.get(), 3, {{1, 10, 10, 10, 10}, {3, 30, 30, 30, 30}}, {{1, 0.0}, {2, 1.0}});
  scale_->SetNonlinearScale(5);
  scale_->SetAbsoluteExtrema(6);
  StoredColors before = Colors(scale_.get());
  Store("partial", "UndefineColor int 1 2 3 4\nGreenIsFlat int 7\nMin_PositiveCrv double 0.25\n");
  ASSERT_EQ(scale_->LoadFromSettings("partial"), 1);
  StoredColors after = Colors(scale_.get());
  EXPECT_EQ(after.index, before.index);
  EXPECT_EQ(after.red, before.red);
  int c[4] = {0, 0, 0, 0};
  scale_->GetColorUndefine(c[0], c[1], c[2], c[3]);
  EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{1, 2, 3, 4}));
  int value = -1;
  scale_->GetNonlinearScale(value);
  EXPECT_EQ(value, 0);
  scale_->GetAbsoluteExtrema(value);
  EXPECT_EQ(value, 0);
  scale_->GetGreenIsFlat(value);
  EXPECT_EQ(value, 7);
  double limits[4];
  scale_->GetCurvatureLimits(&limits[0], &limits[1], &limits[2], &limits[3]);
  EXPECT_EQ(limits[0], -ZORMathInfinite);
  EXPECT_EQ(limits[2], 0.25);
  // A partial undefined color is not applied.
  Store("partialColor", "UndefineColor int 9 9\n");
  ASSERT_EQ(scale_->LoadFromSettings("partialColor"), 1);
  scale_->GetColorUndefine(c[0], c[1], c[2], c[3]);
  EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(Settings, OneBlockAndCountsOutOfBounds) {
  // One block: the lists are reset to one block and no boundary is handed over.
  ConfigureScale(scale_.get(), 4, {{1, 1, 1, 1, 1}}, {{1, 0.0}});
  Store("one", "NumberOfBlocks int 1\nNumberOfImposedValues int 0\nRed int 5\nIndexImposedCol int 1\n");
  ASSERT_EQ(scale_->LoadFromSettings("one"), 1);
  int blocks = 0;
  scale_->GetNumberOfBlocks(blocks);
  EXPECT_EQ(blocks, 1);
  EXPECT_EQ(Colors(scale_.get()).red, (std::vector<int>{5}));

  // More imposed values than boundaries read: only those read are used.
  Store("many", "NumberOfBlocks int 3\nNumberOfImposedValues int 50\n"
                "ImposedValues double 1 2 3 4 5\nIndexImposedVal int 1 2 3 4 5\n"
                "InterpolValType int 0 0 0 0 0\n");
  ASSERT_EQ(scale_->LoadFromSettings("many"), 1);
  ZORRawColldouble table;
  ZORRawCollint index;
  scale_->GetValueTable(&table, &index, nullptr, nullptr);
  EXPECT_EQ(ToVector(table), (std::vector<double>{1.0, 2.0}));

  // A block count no scale can have is treated as absent.
  Store("huge", "NumberOfBlocks int 2000000000\nGreenIsFlat int 3\n");
  ASSERT_EQ(scale_->LoadFromSettings("huge"), 1);
  scale_->GetNumberOfBlocks(blocks);
  EXPECT_EQ(blocks, 3);
  int green = 0;
  scale_->GetGreenIsFlat(green);
  EXPECT_EQ(green, 3);
}

TEST_F(Settings, SaveInOneScaleLoadIntoAnother) {
  ConfigureScale(scale_.get(), 4, {{1, 0, 0, 255, 255}, {2, 9, 9, 9, 9}, {4, 255, 0, 0, 255}},
                 {{1, -1.0}, {3, 3.0}});
  scale_->SetNonlinearScale(1);
  scale_->SetAbsoluteExtrema(2);
  scale_->SetGreenIsFlat(3);
  scale_->SetAutoMinMaxOption(4);
  scale_->SetColorUndefine(1, 2, 3, 4);
  scale_->SetCurvatureLimits(-4, -3, 3, 4);
  ASSERT_EQ(scale_->SaveToSettings("shared"), 1);

  ZORIStNewColorScale_var target = NewScale();
  target->SetAutoMinMaxOption(40);
  target->SetAutoMinMaxStatus(41);
  target->SetNumberOfColorsStatus(42);
  ASSERT_EQ(target->LoadFromSettings("shared"), 1);
  StoredColors source = Colors(scale_.get()), loaded = Colors(target.get());
  EXPECT_EQ(loaded.index, source.index);
  EXPECT_EQ(loaded.types, source.types);
  // A color that is not imposed gets its placeholder back from SetColors.
  EXPECT_EQ(loaded.red, source.red);
  EXPECT_EQ(loaded.red, (std::vector<int>{0, 9, -1, 255}));
  ZORRawColldouble sourceTable, targetTable;
  ZORRawCollint sourceIndex, targetIndex;
  scale_->GetValueTable(&sourceTable, &sourceIndex, nullptr, nullptr);
  target->GetValueTable(&targetTable, &targetIndex, nullptr, nullptr);
  EXPECT_EQ(ToVector(targetTable), ToVector(sourceTable));
  EXPECT_EQ(ToVector(targetIndex), ToVector(sourceIndex));
  int value = 0;
  target->GetNonlinearScale(value);
  EXPECT_EQ(value, 1);
  target->GetGreenIsFlat(value);
  EXPECT_EQ(value, 3);
  target->GetAutoMinMaxOption(value);
  EXPECT_EQ(value, 40);
  ZORBoolean flag = 0;
  target->GetAutoMinMaxStatus(flag);
  EXPECT_EQ(flag, 41);
  target->GetNumberOfColorsStatus(flag);
  EXPECT_EQ(flag, 42);
  double limits[4];
  target->GetCurvatureLimits(&limits[0], &limits[1], &limits[2], &limits[3]);
  EXPECT_EQ(std::vector<double>(limits, limits + 4), (std::vector<double>{-4, -3, 3, 4}));
  int c[4];
  target->GetColorUndefine(c[0], c[1], c[2], c[3]);
  EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{1, 2, 3, 4}));
  // Evaluations agree after the trip.
  for (double v : {-2.0, -1.0, 0.0, 1.0, 2.5, 3.0, 4.0}) {
    int a[4], b[4];
    EXPECT_EQ(scale_->GetColorForValue(v, &a[0], &a[1], &a[2], &a[3]),
              target->GetColorForValue(v, &b[0], &b[1], &b[2], &b[3]));
    EXPECT_EQ(std::vector<int>(a, a + 4), std::vector<int>(b, b + 4)) << v;
  }
}

TEST_F(Settings, NoRepositoryMeansNothingSavedOrLoaded) {
  ConfigureScale(scale_.get(), 3, {{1, 1, 1, 1, 1}}, {});
  testing::internal::CaptureStderr();
  EXPECT_EQ(scale_->SaveToSettings("../escape"), 0);
  EXPECT_EQ(scale_->LoadFromSettings(""), 0);
  Store("damaged", "NumberOfBlocks int five\n");
  EXPECT_EQ(scale_->LoadFromSettings("damaged"), 0);
  EXPECT_EQ(scale_->SaveToSettings("damaged"), 0);
  std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("damaged:1:"), std::string::npos) << messages;
  EXPECT_EQ(ReadWholeFile(folder_.File("damaged")), "NumberOfBlocks int five\n");
  int blocks = 0;
  scale_->GetNumberOfBlocks(blocks);
  EXPECT_EQ(blocks, 3);
  // A save that cannot reach its file says so.
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0500), 0);
  if (access(folder_.Path().c_str(), W_OK) != 0) {  // root writes anyway
    testing::internal::CaptureStderr();
    EXPECT_EQ(scale_->SaveToSettings("readonly"), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("readonly"), std::string::npos);
  }
  chmod(folder_.Path().c_str(), 0700);
}

}  // namespace
