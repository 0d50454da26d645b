// Shared steps of the simulated-device tests: opening a device from a JSON document
// written to a temporary file, talking to it through the public Connection operations,
// and reading whole blocks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "support/temp_folder.h"
#include "transport/mock_connection.h"

namespace zav::test {

inline nlohmann::json signalEntry(const std::string& type, int channels, int bytes, int blockSize, int mode,
                                  int sr, std::vector<double> values = {}) {
  return {{"type", type},
          {"channels", channels},
          {"bytes", bytes},
          {"blockSize", blockSize},
          {"mode", mode},
          {"sr", sr},
          {"values", std::move(values)}};
}

inline nlohmann::json deviceWith(std::vector<nlohmann::json> entries) {
  return {{"signals", std::move(entries)}};
}

inline void setProperty(Connection& connection, const std::string& key, const std::string& value) {
  PropertyValues properties = connection.properties();
  properties[key] = value;
  connection.setProperties(properties);
}

// Points the connection at a file holding the document (or the text as it stands).
inline void configureWith(MockConnection& connection, const TempFolder& folder, const std::string& text) {
  const auto path = folder / "device.json";
  writeFile(path, text);
  setProperty(connection, "configuration", path.string());
}

inline void configureWith(MockConnection& connection, const TempFolder& folder,
                          const nlohmann::json& document) {
  configureWith(connection, folder, document.dump());
}

inline void send(Connection& connection, const std::string& bytes) {
  ASSERT_EQ(
      connection.write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size())),
      static_cast<int32_t>(bytes.size()));
}

// Everything the device has to say right now (it answers at once or not at all).
inline std::string pending(Connection& connection) {
  std::string bytes;
  uint8_t buffer[64];
  for (int32_t got; (got = connection.read(buffer, sizeof buffer)) > 0;) {
    bytes.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(got));
  }
  return bytes;
}

inline std::string ask(Connection& connection, const std::string& command) {
  send(connection, command);
  return pending(connection);
}

inline std::vector<uint8_t> readBlock(Connection& connection, std::size_t size) {
  std::vector<uint8_t> block(size);
  std::size_t filled = 0;
  while (filled < size) {
    const int32_t got = connection.read(block.data() + filled, static_cast<uint32_t>(size - filled));
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  block.resize(filled);
  return block;
}

inline uint16_t blockSequence(const std::vector<uint8_t>& block) {
  return readU16BE(block.data() + 2);
}

}  // namespace zav::test
