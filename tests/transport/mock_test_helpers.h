// Shared steps of the simulated-device tests: a device from a JSON document in a temporary
// file, talked to through the public Connection operations.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "transport/mock_connection.h"

namespace zav::test {

inline const std::string kNul(1, '\0');

inline nlohmann::json signalEntry(const std::string& type, int channels, int bytes, int blockSize, int mode,
                                  int sr, std::vector<double> values = {}) {
  return {{"type", type}, {"channels", channels}, {"bytes", bytes}, {"blockSize", blockSize}, {"mode", mode},
          {"sr", sr},     {"values", values}};
}

inline nlohmann::json deviceWith(std::vector<nlohmann::json> entries) {
  return {{"signals", entries}};
}

// Points the connection at a file holding the document (a string is written as it stands).
inline void configureWith(MockConnection& connection, const TempFolder& folder,
                          const nlohmann::json& document) {
  writeFile(folder / "device.json", document.is_string() ? document.get<std::string>() : document.dump());
  connection.setProperties({{"configuration", (folder / "device.json").string()}});
}

inline void send(Connection& connection, const std::string& bytes) {
  ASSERT_EQ(
      connection.write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size())),
      static_cast<int32_t>(bytes.size()));
}

// Sends the command, then takes everything the device has to say (it answers at once or not at all).
inline std::string ask(Connection& connection, const std::string& command) {
  send(connection, command);
  std::string bytes;
  uint8_t buffer[64];
  for (int32_t got; (got = connection.read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, buffer + got);
  return bytes;
}

// The next size bytes of the stream, or fewer when it ends.
inline std::vector<uint8_t> readBlock(Connection& connection, std::size_t size) {
  std::vector<uint8_t> block(size);
  std::size_t filled = 0;
  for (int32_t got; filled < size && (got = connection.read(block.data() + filled,
                                                            static_cast<uint32_t>(size - filled))) > 0;) {
    filled += static_cast<std::size_t>(got);
  }
  block.resize(filled);
  return block;
}

}  // namespace zav::test
