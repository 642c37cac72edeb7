#include "zorhost/batch/BatchRecord.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/inspection/Provenance.h"

using nlohmann::json;

namespace {

constexpr const char* kRecordSchema = "zorhost-batch-row";
constexpr int kRecordVersion = 1;

std::string Digest(const ZORBatchManifest& manifest, const std::string& path) {
  if (path.empty()) return {};
  ZORInputFile input;
  const std::string located = (std::filesystem::path(manifest.folder) / path).string();
  return ZORDescribeInput("", located, "", input) ? std::string() : input.sha256;
}

}  // namespace

ZORRowFiles ZORRowFilesOf(const std::string& folder, const ZORBatchRow& row) {
  const std::string prefix = (std::filesystem::path(folder) / row.out).string();
  return {prefix + ".png", prefix + ".stats.json", prefix + ".log", prefix + ".batch.json"};
}

ZORRowDigests ZORDigestRowInputs(const ZORBatchManifest& manifest, const ZORBatchRow& row) {
  return {Digest(manifest, row.part), Digest(manifest, row.reference)};
}

bool ZORSameWork(const ZORBatchRow& a, const ZORBatchRow& b) {
  return a.part == b.part && a.reference == b.reference && a.analysis == b.analysis && a.options == b.options &&
         a.out == b.out;
}

ZOROutcome ZORWriteRowRecord(const std::string& path, const ZORRowRecord& record) {
  const ZORBatchRow& row = record.row;
  const json text = {
      {"schema", kRecordSchema},
      {"version", kRecordVersion},
      {"row", {{"number", row.number}, {"part", row.part}, {"reference", row.reference},
               {"analysis", row.analysis}, {"options", row.options}, {"out", row.out}}},
      {"sha256", {{"part", record.digests.part}, {"reference", record.digests.reference}}},
      {"done", record.done},
      {"error", record.done ? json(nullptr) : json(record.error)}};
  return ZORWriteFilesWhole({{path, text.dump(2) + "\n"}});
}

std::optional<ZORRowRecord> ZORReadRowRecord(const std::string& path) {
  std::string text;
  if (ZORIrregularFileKind(path) != "" || !std::filesystem::exists(path) ||
      ZORReadWholeFile(path, kZORLargestTextFile, "a batch row's record", text)) {
    return std::nullopt;
  }
  const json record = json::parse(text, nullptr, false);
  if (!record.is_object() || record.value("schema", "") != kRecordSchema ||
      record.value("version", 0) != kRecordVersion) {
    return std::nullopt;
  }
  try {
    const json& row = record.at("row");
    ZORRowRecord read;
    read.row = {row.at("number").get<int>(),       row.at("part").get<std::string>(),
                row.at("reference").get<std::string>(), row.at("analysis").get<std::string>(),
                row.at("options").get<std::string>(),   row.at("out").get<std::string>()};
    read.digests = {record.at("sha256").at("part").get<std::string>(),
                    record.at("sha256").at("reference").get<std::string>()};
    read.done = record.at("done").get<bool>();
    if (!read.done) read.error = record.at("error").get<std::string>();
    return read;
  } catch (const json::exception&) {
    return std::nullopt;
  }
}

bool ZORRowIsCurrent(const ZORRowFiles& files, const ZORBatchRow& row, const ZORRowDigests& digests) {
  const std::optional<ZORRowRecord> record = ZORReadRowRecord(files.record);
  return record && record->done && ZORSameWork(record->row, row) && !digests.part.empty() &&
         record->digests == digests && std::filesystem::is_regular_file(files.picture) &&
         std::filesystem::is_regular_file(files.statistics);
}
