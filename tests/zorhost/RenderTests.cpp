// `zorhost render` as a user runs it: pictures that decode, colors that match the scale, and
// bad input refused without leaving files behind.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/ZORTestSupport.h"
#include "ZorhostRun.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/picture/ValueGrid.h"

namespace {

namespace fs = std::filesystem;

int Channel(int component) { return std::clamp(component, 0, 255); }

class Render : public ZORModuleTest {
 protected:
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  ZORTemporarySettingsFolder settings_;
};

// The count of values each block holds, as the summary lists them, from block 1.
std::vector<long> BlockCounts(const std::string& summary) {
  std::vector<long> counts;
  std::istringstream lines(summary);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    int block = 0;
    if (!(words >> block) || block != static_cast<int>(counts.size()) + 1) continue;
    counts.push_back(std::stol(line.substr(line.find_last_of(' ') + 1)));
  }
  return counts;
}

// A scale's extremes hold a range for its blocks however small the values' range is, or however
// many values share one value; a range too wide for a double is refused.
TEST_F(Render, ScalesFollowRangesOfAnySizeAndNeverCollapse) {
  std::string tiny, zeros, plateau;
  for (int row = 0; row < 20; ++row) {
    for (int column = 0; column < 20; ++column) {
      const int i = row * 20 + column;
      tiny += (column ? "," : "") + ZORExactNumber(-2e-15 + 8e-15 * ((i * 37) % 400) / 400.0);
      zeros += column ? ",0" : "0";
      plateau += (column ? "," : "") + std::string(i % 150 == 0 ? ZORExactNumber(i == 150 ? -0.5 : 0.25 + i / 400.0) : "0");
    }
    tiny += "\n";
    zeros += "\n";
    plateau += "\n";
  }
  WriteWholeFile((Folder() / "tiny.csv").string(), tiny);
  WriteWholeFile((Folder() / "zeros.csv").string(), zeros);
  WriteWholeFile((Folder() / "plateau.csv").string(), plateau);
  // A range of 1e-15 is as good as any: its values spread over every block.
  const ProgramRun small = Zorhost(Folder(), "render --values tiny.csv --out tiny");
  ASSERT_EQ(small.status, 0) << small.errors;
  const std::vector<long> spread = BlockCounts(small.output);
  ASSERT_EQ(spread.size(), 9u) << small.output;
  for (std::size_t k = 1; k + 1 < spread.size(); ++k) {
    EXPECT_GT(spread[k], 20) << "block " << k + 1 << "\n" << small.output;
  }
  // Zero alone, symmetric or following the values: zero in the middle block.
  for (const char* range : {" --range symmetric", ""}) {
    const ProgramRun zero = Zorhost(Folder(), std::string("render --values zeros.csv --out zeros") + range);
    ASSERT_EQ(zero.status, 0) << zero.errors;
    EXPECT_EQ(BlockCounts(zero.output), (std::vector<long>{0, 0, 0, 0, 400, 0, 0, 0, 0})) << zero.output;
  }
  // Most values 0 and the percentiles 0 too: the extremes follow the values off the plateau, and
  // the scale made is one a file holds.
  const ProgramRun flat = Zorhost(Folder(), "render --values plateau.csv --out plateau --save-settings flat");
  ASSERT_EQ(flat.status, 0) << flat.errors;
  EXPECT_NE(flat.output.find("widened to the values off the plateau at 0"), std::string::npos) << flat.output;
  const std::vector<long> counts = BlockCounts(flat.output);
  EXPECT_GE(std::count_if(counts.begin(), counts.end(), [](long c) { return c > 0; }), 3) << flat.output;
  EXPECT_EQ(Zorhost(Folder(), "scale export flat flat.cpt").status, 0);
  // Boundaries a double cannot hold are refused.
  const ProgramRun wide = Zorhost(Folder(), "render --values zeros.csv --range -1e308,1e308 --out wide");
  EXPECT_EQ(wide.status, 2);
  EXPECT_NE(wide.errors.find("their difference finite"), std::string::npos) << wide.errors;
  WriteWholeFile((Folder() / "huge.csv").string(), "-1.5e308,1.5e308\n");
  const ProgramRun huge = Zorhost(Folder(), "render --values huge.csv --range symmetric --out huge");
  EXPECT_EQ(huge.status, 2);
  EXPECT_NE(huge.errors.find("wider than a double holds"), std::string::npos) << huge.errors;
}

TEST_F(Render, PixelsAreTheScalesColorsOfTheirValues) {
  const std::string csv =
      "-2.5, -1, 0,0.25, 4\n"
      "1e-3,,nan, 3.75,-0.5\r\n"
      "2,2,2, 1.5 ,-2.5\n";
  WriteWholeFile((Folder() / "grid.csv").string(), csv);
  ProgramRun run = Zorhost(Folder(), "render --values grid.csv --legend none --out picture --save-settings rendered");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("5 x 3 values, ranging from -2.5 to 4"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("undefined values: 1\n"), std::string::npos) << run.output;
  Image image = Decode(Folder() / "picture.png");
  ASSERT_EQ(image.width, 5);
  ASSERT_EQ(image.height, 3);
  EXPECT_TRUE(fs::exists(Folder() / "picture.svg"));

  // The same scale, loaded from what the render saved, evaluated value by value.
  ZORValueGrid grid;
  ASSERT_EQ(ZORReadCsvGrid((Folder() / "grid.csv").string(), grid), std::nullopt);
  ZORIStNewColorScale_var scale = NewScale();
  ASSERT_EQ(scale->LoadFromSettings("rendered"), 1);
  ASSERT_EQ(scale->SetTolerance(ZORHostSession::kDefaultModelTolerance), S_OK);
  int undefined[4];
  scale->GetColorUndefine(undefined[0], undefined[1], undefined[2], undefined[3]);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 5; ++column) {
      const double value = grid.At(row, column);
      // An empty cell shows the background, white.
      const bool empty = row == 1 && column == 1;
      int color[4] = {undefined[0], undefined[1], undefined[2], undefined[3]};
      if (empty) std::fill(color, color + 4, 255);
      if (!std::isnan(value)) {
        ASSERT_GT(scale->GetColorForValue(value, &color[0], &color[1], &color[2], &color[3]), 0);
      }
      const std::uint8_t* pixel = &image.rgba[static_cast<std::size_t>((row * 5 + column) * 4)];
      for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(pixel[c], Channel(color[c])) << "row " << row << " column " << column << " value " << value;
      }
    }
  }
}

TEST_F(Render, MalformedGridsLeaveNoFiles) {
  const std::pair<const char*, const char*> cases[] = {
      {"1,2,3\n4,x5,6\n", "grid.csv:2:3: 'x5' is not a number"},
      {"1,2,3\n4,5\n", "grid.csv:2:1: the row holds 2 values, the rows before it 3"},
      {"\n\n", "grid.csv:1:1: no values"},
      {"nan,nan\n", "no finite value"},
  };
  for (const auto& [csv, message] : cases) {
    WriteWholeFile((Folder() / "grid.csv").string(), csv);
    ProgramRun run = Zorhost(Folder(), "render --values grid.csv --out picture");
    EXPECT_EQ(run.status, 2) << csv;
    EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    EXPECT_EQ(Files(Folder()), (std::vector<std::string>{"grid.csv"})) << csv;
  }
  ProgramRun missing = Zorhost(Folder(), "render --values absent.csv");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.errors.find("absent.csv"), std::string::npos);
  for (const char* usage : {"render --blocks 0", "render --blocks x", "render --frobnicate",
                            "render --out", "frobnicate", ""}) {
    ProgramRun run = Zorhost(Folder(), usage);
    EXPECT_EQ(run.status, 2) << usage;
    EXPECT_FALSE(run.errors.empty()) << usage;
  }
  ProgramRun settings = Zorhost(Folder(), "render --settings absent");
  EXPECT_EQ(settings.status, 2);
  EXPECT_NE(settings.errors.find("absent"), std::string::npos);
}

TEST_F(Render, RecordsTheScaleReadsBadlyAreReported) {
  ASSERT_EQ(Zorhost(Folder(), "render --save-settings good --out a").status, 0);
  const ProgramRun good = Zorhost(Folder(), "render --settings good --out a");
  EXPECT_EQ(good.status, 0);
  EXPECT_EQ(good.errors, "");
  const std::string record = ReadWholeFile(settings_.File("good"));
  auto edited = [&record](const std::string& from, const std::string& to) {
    std::string text = record;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string record;
    int status;
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {edited("NumberOfBlocks int 9", "NumberOfBlocks double 9"), 2,
       {"bad:2: NumberOfBlocks is stored as double", "has no blocks to paint with"}},
      {edited("NumberOfBlocks int 9", "NumberOfBlocks int 70000"), 2, {"bad:2: NumberOfBlocks 70000 is above 65536"}},
      {edited("NumberOfBlocks int 9", "NumberOfBlocks int -3"), 2, {"-3 is no block count"}},
      {edited("Green int", "Gren int"), 0, {"bad:12: 'Gren' is not a key of a color scale record"}},
      {edited("NumberOfBlocks int 9", "NumberOfBlocks int 10"), 0, {"bad:11: Red holds 9 values where 10 are read"}},
  };
  for (const Case& c : cases) {
    WriteWholeFile(settings_.File("bad"), c.record);
    const ProgramRun run = Zorhost(Folder(), "render --settings bad --out a");
    EXPECT_EQ(run.status, c.status) << run.errors;
    for (const std::string& said : c.said) EXPECT_NE(run.errors.find(said), std::string::npos) << run.errors;
  }
  // That last record keeps the first and last boundaries it stored: the legend and the summary
  // show where values really go, and say why. Values start at a boundary, as a person reads it,
  // though the evaluation takes them from a tolerance or a double above.
  const ProgramRun ten = Zorhost(Folder(), "render --settings bad --out ten");
  EXPECT_NE(ten.output.find("     10  0               inf"), std::string::npos) << ten.output;
  const std::size_t note = ten.output.find("note: Values are placed by the first and last stored boundaries, ");
  ASSERT_NE(note, std::string::npos) << ten.output;
  EXPECT_NE(ten.output.find(" and 0, not by the value table's ends", note), std::string::npos) << ten.output;
  const std::string legend = ReadWholeFile((Folder() / "ten.svg").string());
  EXPECT_NE(legend.find(">0 to inf<"), std::string::npos);
  EXPECT_NE(legend.find("not by the value table's ends"), std::string::npos);
}

TEST_F(Render, LegendsStayBoundedAndShowWhatIsPainted) {
  // Many blocks: a bar with some boundaries labelled, no taller than a screen.
  ASSERT_EQ(Zorhost(Folder(), "render --sample field --blocks 65536 --out many").status, 0);
  const std::string many = ReadWholeFile((Folder() / "many.svg").string());
  const std::size_t height = many.find("height=\"");
  ASSERT_NE(height, std::string::npos);
  EXPECT_LT(std::stoi(many.substr(height + 8)), 1000);
  EXPECT_NE(many.find("65536 blocks, 29 of the boundaries labelled"), std::string::npos);
  // A thin grid is stretched so that it can be seen; undefined values get a legend entry.
  std::string thin;
  for (int i = 0; i < 5000; ++i) thin += (i % 7 == 0 ? std::string("nan") : std::to_string(i % 50)) + ",";
  WriteWholeFile((Folder() / "thin.csv").string(), thin + "1\n");
  ASSERT_EQ(Zorhost(Folder(), "render --values thin.csv --out thin").status, 0);
  const std::string svg = ReadWholeFile((Folder() / "thin.svg").string());
  EXPECT_NE(svg.find("(stretched to be seen)"), std::string::npos);
  EXPECT_NE(svg.find("width=\"1024\" height=\"32\""), std::string::npos);
  EXPECT_NE(svg.find("715 values not a number"), std::string::npos);
}

TEST_F(Render, PicturesAreReplacedWholeAndOnlyThem) {
  // A link planted where a picture goes is replaced, never followed: what it points to stays.
  WriteWholeFile((Folder() / "victim.txt").string(), "VICTIM\n");
  fs::create_symlink("victim.txt", Folder() / "o.png");
  ProgramRun planted = Zorhost(Folder(), "render --size 40x30 --legend none --out o");
  EXPECT_EQ(planted.status, 0) << planted.errors;
  EXPECT_EQ(ReadWholeFile((Folder() / "victim.txt").string()), "VICTIM\n");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Folder() / "o.png")));
  EXPECT_EQ(Decode(Folder() / "o.png").width, 40);

  // A render that cannot write one of its pictures leaves both as they were.
  WriteWholeFile((Folder() / "p.png").string(), "OLD\n");
  fs::create_directory(Folder() / "p.svg");
  ProgramRun blocked = Zorhost(Folder(), "render --out p");
  EXPECT_EQ(blocked.status, 2);
  EXPECT_NE(blocked.errors.find("p.svg"), std::string::npos) << blocked.errors;
  EXPECT_EQ(ReadWholeFile((Folder() / "p.png").string()), "OLD\n");

  // Temporaries of renders that were killed are removed by the next render of that picture.
  WriteWholeFile((Folder() / ".k.png.tmp-999999-abc").string(), "partial");
  ASSERT_EQ(Zorhost(Folder(), "render --out k").status, 0);
  EXPECT_FALSE(fs::exists(Folder() / ".k.png.tmp-999999-abc"));
  for (const std::string& name : Files(Folder())) {
    EXPECT_FALSE(name.front() == '.' && name.find(".tmp-") != std::string::npos) << name;
  }
}

TEST_F(Render, CommandLineConventions) {
  struct Case {
    std::string arguments;
    int status;
    std::string said;  // in the output or the errors
  };
  fs::create_directory(Folder() / "folder");
  WriteWholeFile((Folder() / "wide.csv").string(), std::string(1000001, ',') + "\n");
  const Case cases[] = {
      {"--version", 0, "zorhost 1."},
      {"--module '" ZOR_MODULE_PATH "' render --out=equals", 0, "wrote equals.png"},
      {"render --module=/nowhere/module.so", 1, "/nowhere/module.so"},
      {"render -h", 0, "usage: zorhost render"},
      {"script --help", 0, "usage: zorhost script"},
      {"render -- --out", 2, "--out: cannot be read"},  // after --, a PART
      {"render --settings s --blocks 4", 2, "give one of them"},
      {"render --settings ''", 2, "not empty"},
      {"render --values ''", 2, "not empty"},
      {"render --values folder", 2, "folder: is a directory"},
      {"script folder", 2, "folder: is a directory"},
      {"script absent.zs", 2, "No such file or directory"},
      {"render --values absent.csv", 2, "absent.csv: cannot be read: No such file or directory"},
      {"render --out folder/", 2, "names a folder"},
      {"render --out folder", 2, "names a folder"},
      {"render --values wide.csv", 2, "more than 1000000 values"},
      {"render --frobnicate", 2, "unknown option '--frobnicate'\n(zorhost render --help tells"},
      {"scale show", 2, "(zorhost scale --help tells"},
      {"render \"$(printf '%s\\033[31mred' --)\"", 2, "'--\\x1b[31mred'"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Zorhost(Folder(), c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.errors;
    EXPECT_NE((run.output + run.errors).find(c.said), std::string::npos)
        << c.arguments << "\n" << run.output << run.errors;
    EXPECT_EQ(run.errors.find('\x1b'), std::string::npos) << c.arguments;
  }
  EXPECT_FALSE(fs::exists(Folder() / "folder" / ".png"));
}

TEST_F(Render, SampleAnalysisPaintsTheSameEveryWay) {
  ProgramRun painted = Zorhost(Folder(), "render --sample field --legend none --out painter");
  ASSERT_EQ(painted.status, 0) << painted.errors;
  EXPECT_NE(painted.output.find("512 x 512 values"), std::string::npos) << painted.output;
  EXPECT_NE(painted.output.find("scale: 9 blocks"), std::string::npos) << painted.output;
  ProgramRun perValue = Zorhost(Folder(), "render --sample field --legend none --per-value --out per-value");
  ASSERT_EQ(perValue.status, 0) << perValue.errors;
  EXPECT_EQ(ReadWholeFile((Folder() / "painter.png").string()),
            ReadWholeFile((Folder() / "per-value.png").string()));
  ProgramRun checked = Zorhost(Folder(), "render --sample field --check --blocks 4 --out checked");
  EXPECT_EQ(checked.status, 0) << checked.errors;
  Image image = Decode(Folder() / "painter.png");
  EXPECT_EQ(image.width, 512);
  EXPECT_EQ(image.height, 512);
}

// Every document the README, the documents and the help texts point to is there.
TEST_F(Render, DocumentsThatAreCitedExist) {
  const fs::path source = fs::path(ZOR_EXAMPLE_PARTS).parent_path().parent_path();
  std::vector<std::pair<fs::path, std::string>> texts = {
      {source, ReadWholeFile((source / "README.md").string())}};
  for (const auto& entry : fs::directory_iterator(source / "docs")) {
    if (entry.path().extension() == ".md") texts.emplace_back(source / "docs", ReadWholeFile(entry.path()));
  }
  for (const char* job : {"render", "serve", "script", "scale"}) {
    texts.emplace_back(source, Zorhost(Folder(), std::string(job) + " --help").output);
  }
  int cited = 0;
  for (const auto& [folder, text] : texts) {
    // Markdown links to local files, and docs/NAME.md named in plain text.
    for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 2)) {
      const std::string target = text.substr(at + 2, text.find_first_of(")#", at + 2) - at - 2);
      if (target.empty() || target.find("://") != std::string::npos) continue;
      ++cited;
      EXPECT_TRUE(fs::exists(folder / target)) << target << " cited in " << text.substr(0, 60);
    }
    for (std::size_t at = text.find("docs/"); at != std::string::npos; at = text.find("docs/", at + 5)) {
      const std::size_t end = text.find(".md", at);
      if (end == std::string::npos || end - at > 40) continue;
      const std::string name = text.substr(at, end + 3 - at);
      if (name.find_first_of(" ()[]`") != std::string::npos) continue;
      ++cited;
      EXPECT_TRUE(fs::exists(source / name)) << name;
    }
  }
  EXPECT_GT(cited, 20);
}

}  // namespace
