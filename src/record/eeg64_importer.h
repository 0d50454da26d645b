// The importer of a two-device 64-channel record: the left and the right device's SD-card
// records, aligned on the marker codes both received and merged into blocks of one fixed
// signal list (EEG 64, ExG_B 4, the left and the right IMU_B, FOT 2, uSD).
//
//     Eeg64Importer importer(leftFolder, rightFolder, "rec_");   // rec_l and rec_r
//     importer.addCallback([](const BaseImporter::Block& block) { ...; return true; });
//     importer.importAll();
//
// Both records are read side by side, so memory does not grow with their length.
#pragma once

#include <memory>
#include <string>

#include "record/base_importer.h"
#include "record/eeg64_stream.h"

namespace zav {

// The merged list for a left and a right device list (each without its "uSD" entry).
// A mode is the smaller of the two sides' (the only side's when one lacks the entry).
SignalList mergedEeg64Signals(const SignalList& left, const SignalList& right);

class Eeg64Importer : public BaseImporter {
 public:
  Eeg64Importer(const std::string& leftFolder, const std::string& rightFolder, const std::string& baseName);
  ~Eeg64Importer() override;
  Eeg64Importer(const Eeg64Importer&) = delete;
  Eeg64Importer& operator=(const Eeg64Importer&) = delete;

  // "<left description>-<right description>", "none" for a side without a record.
  std::string description() const override;
  // Of the first merged block passed on; 0 before that.
  uint16_t firstSequence() const override;
  // These describe the left side's first record.
  uint64_t blockCount() const override;
  uint16_t frequency() const override;
  SignalList signals() const override;
  // The merged record has a fixed layout and writes no layout file.
  bool hasLayout() const override;
  void writeLayout(const std::string& path) override;
  // True unless a callback stopped it. No output without a left and a right record.
  bool importAll() override;
  void addCallback(const BlockCallback& callback) override;

  // Whether a left and a right record were found.
  bool found() const;
  // A fresh pull over the merged blocks importAll passes on; null without a pair.
  std::unique_ptr<Eeg64Stream> stream() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav
