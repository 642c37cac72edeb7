#include "zorhost/batch/BatchSummary.h"

#include <array>
#include <filesystem>
#include <optional>

#include <nlohmann/json.hpp>

#include "zorhost/batch/BatchRecord.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/common/OutputFiles.h"

using nlohmann::json;

namespace {

constexpr const char* kSummarySchema = "zorhost-batch-summary";
constexpr int kSummaryVersion = 1;

// A summary column drawn from a row's inspection record: its name and where it stands in the record.
struct StatisticColumn {
  const char* name;
  const char* pointer;
};
constexpr std::array<StatisticColumn, 19> kStatisticColumns = {{
    {"verdict", "/tolerance/verdict"},
    {"within", "/tolerance/within"},
    {"below", "/tolerance/below"},
    {"above", "/tolerance/above"},
    {"passShare", "/tolerance/passShare"},
    {"minimum", "/minimum/value"},
    {"maximum", "/maximum/value"},
    {"mean", "/mean"},
    {"standardDeviation", "/standardDeviation"},
    {"rms", "/rms"},
    {"p1", "/percentiles/1"},
    {"p5", "/percentiles/5"},
    {"p50", "/percentiles/50"},
    {"p95", "/percentiles/95"},
    {"p99", "/percentiles/99"},
    {"undefinedShare", "/undefinedShare"},
    {"area", "/area"},
    {"areaUnit", "/areaUnit"},
    {"unit", "/unit"},
}};

std::optional<json> ReadInspection(const std::string& path) {
  std::string text;
  if (!std::filesystem::is_regular_file(path) ||
      ZORReadWholeFile(path, kZORLargestTextFile, "an inspection record", text)) {
    return std::nullopt;
  }
  json record = json::parse(text, nullptr, false);
  if (!record.is_object() || record.value("schema", "") != "zorhost-inspection") return std::nullopt;
  return record;
}

// A row of the summary: the manifest's row, how its run ended, its inspection record when done.
struct SummaryRow {
  const ZORBatchRow* row;
  std::string end;  // "done", "failed", "not run"
  std::string error;
  json inspection;  // null unless done
};

SummaryRow SummarizeRow(const std::string& folder, const ZORBatchRow& row) {
  const ZORRowFiles files = ZORRowFilesOf(folder, row);
  const std::optional<ZORRowRecord> record = ZORReadRowRecord(files.record);
  if (!record || !ZORSameWork(record->row, row)) return {&row, "not run", {}, nullptr};
  if (!record->done) return {&row, "failed", record->error, nullptr};
  std::optional<json> inspection = ReadInspection(files.statistics);
  if (!inspection) return {&row, "failed", files.statistics + ": the statistics are missing or unreadable", nullptr};
  return {&row, "done", {}, std::move(*inspection)};
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

std::string CsvValue(const json& value) {
  if (value.is_number()) return ZORExactNumber(value.get<double>());
  if (value.is_string()) return CsvField(value.get<std::string>());
  return {};
}

std::string CsvText(const std::vector<SummaryRow>& rows) {
  std::string text = "row,part,reference,analysis,options,out,end";
  for (const StatisticColumn& column : kStatisticColumns) text += std::string(",") + column.name;
  text += ",error\n";
  for (const SummaryRow& summary : rows) {
    const ZORBatchRow& row = *summary.row;
    text += std::to_string(row.number) + ',' + CsvField(row.part) + ',' + CsvField(row.reference) + ',' +
            CsvField(row.analysis) + ',' + CsvField(row.options) + ',' + CsvField(row.out) + ',' + summary.end;
    for (const StatisticColumn& column : kStatisticColumns) {
      const json::json_pointer pointer(column.pointer);
      text += ',' + (summary.inspection.contains(pointer) ? CsvValue(summary.inspection.at(pointer)) : "");
    }
    text += ',' + CsvField(summary.error) + '\n';
  }
  return text;
}

std::string JsonText(const ZORBatchManifest& manifest, const std::vector<SummaryRow>& rows,
                     const ZORSummaryCounts& counts) {
  json listed = json::array();
  for (const SummaryRow& summary : rows) {
    const ZORBatchRow& row = *summary.row;
    listed.push_back({{"row", row.number},
                      {"part", row.part},
                      {"reference", row.reference.empty() ? json(nullptr) : json(row.reference)},
                      {"analysis", row.analysis.empty() ? json(nullptr) : json(row.analysis)},
                      {"options", row.options},
                      {"out", row.out},
                      {"end", summary.end},
                      {"error", summary.error.empty() ? json(nullptr) : json(summary.error)},
                      {"inspection", summary.inspection}});
  }
  const json text = {{"schema", kSummarySchema},
                     {"version", kSummaryVersion},
                     {"manifest", std::filesystem::path(manifest.path).filename().string()},
                     {"counts",
                      {{"rows", rows.size()},
                       {"done", counts.done},
                       {"failed", counts.failed},
                       {"notRun", counts.notRun},
                       {"pass", counts.passed},
                       {"fail", counts.notPassed}}},
                     {"rows", listed}};
  return text.dump(2) + "\n";
}

void Count(const SummaryRow& summary, ZORSummaryCounts& counts) {
  if (summary.end == "done") ++counts.done;
  if (summary.end == "failed") ++counts.failed;
  if (summary.end == "not run") ++counts.notRun;
  const json::json_pointer verdict("/tolerance/verdict");
  if (summary.inspection.contains(verdict)) {
    ++(summary.inspection.at(verdict) == "pass" ? counts.passed : counts.notPassed);
  }
}

}  // namespace

ZOROutcome ZORWriteBatchSummary(const ZORBatchManifest& manifest, const std::string& prefix,
                                ZORSummaryCounts& counts) {
  counts = {};
  std::vector<SummaryRow> rows;
  for (const ZORBatchRow& row : manifest.rows) {
    rows.push_back(SummarizeRow(manifest.folder, row));
    Count(rows.back(), counts);
  }
  // Its folder is made, as the rows' are.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(prefix).parent_path(), ignored);
  return ZORWriteFilesWhole({{prefix + ".csv", CsvText(rows)}, {prefix + ".json", JsonText(manifest, rows, counts)}});
}

std::string ZORRowVerdict(const std::string& statisticsPath) {
  const std::optional<json> inspection = ReadInspection(statisticsPath);
  const json::json_pointer verdict("/tolerance/verdict");
  return inspection && inspection->contains(verdict) && inspection->at(verdict).is_string()
             ? inspection->at(verdict).get<std::string>()
             : std::string();
}
