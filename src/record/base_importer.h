// The interface of the SD-card record importers: what a record is (description, block
// rate, signals, electrode layout) and the stream of its blocks, handed in sequence
// order to registered callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav {

class BaseImporter {
 public:
  struct Block {
    uint16_t sequence = 0;
    uint16_t battery = 0;
    uint16_t flags = 0;
    std::vector<double> data;  // enabled signals in list order, each channel-major
    bool invalid = false;      // damaged (data all NaN) or a filler for a missing block
  };
  // Returning false stops the import.
  using BlockCallback = std::function<bool(const Block&)>;

  virtual ~BaseImporter();
  virtual std::string description() const = 0;
  virtual uint16_t firstSequence() const = 0;
  virtual uint64_t blockCount() const = 0;
  virtual uint16_t frequency() const = 0;
  virtual SignalList signals() const = 0;
  virtual bool hasLayout() const = 0;
  virtual void writeLayout(const std::string& path) = 0;
  virtual bool importAll() = 0;
  virtual void addCallback(const BlockCallback& callback) = 0;
};

using BlockCallback = BaseImporter::BlockCallback;

}  // namespace zav
