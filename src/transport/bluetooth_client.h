// The socket behind a BluetoothConnection: a TCP link to the local bridge process, which
// relays one device's byte stream, or an RFCOMM link straight to the device.
//
//     BluetoothClient client;
//     client.setUseBridge(false);
//     if (client.connect("00:11:22:33:44:55")) client.send(command, size);
//
// Bridge protocol: connect to 127.0.0.1 port 54000, send the device text with its 0 byte,
// read a 3-byte answer (granted when it begins with "OK"), then relay bytes unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace zav {

// The 48-bit address of a text XX:XX:XX:XX:XX:XX (hexadecimal pairs, the most significant
// first); nothing for a text too short to hold one or with a part above 0xFF.
std::optional<uint64_t> parseBluetoothAddress(const std::string& text);

class BluetoothClient {
 public:
  static constexpr uint16_t kBridgePort = 54000;
  static constexpr uint32_t kDefaultTimeout = 2000;
  // Limits while connecting: the whole attempt, and the answer of a freshly reached bridge.
  static constexpr uint32_t kConnectTimeout = 10000;
  static constexpr uint32_t kFreshBridgeTimeout = 2000;

  // How long a freshly started bridge is given to listen.
  static constexpr uint32_t kBridgeStartLimit = 2000;

  // Starts the bridge executable; replaceable so that tests can watch or stand in for it.
  using BridgeStarter =
      std::function<void(const std::string& command, const std::vector<std::string>& arguments)>;

  BluetoothClient();
  ~BluetoothClient();
  BluetoothClient(const BluetoothClient&) = delete;
  BluetoothClient& operator=(const BluetoothClient&) = delete;

  // Reaches the device (name or address) through the bridge, falling back to the direct
  // way when the bridge cannot be reached, or directly when the bridge is not used (the
  // bridge's simulated devices, named "sim:...", are always asked of the bridge). A
  // bridge that refuses the device leaves its socket open, so that the next connect asks
  // again on it. The time-out in force before the call is in force after it.
  bool connect(const std::string& device);
  void disconnect();
  bool isOpen() const { return socket_.isOpen(); }

  void setTimeout(uint32_t milliseconds);
  uint32_t timeout() const { return timeout_; }

  // Raw results in Connection's terms: a count, Connection::kTimedOut, kFailed or kLinkLost.
  uint32_t receive(uint8_t* buffer, uint32_t count);
  uint32_t send(const uint8_t* buffer, uint32_t count);

  void setBridgePath(const std::string& folder) { bridgePath_ = folder; }
  // The bridge's folder for clients given none of their own (a host program that ships
  // rfbridge beside itself); empty: the program search path. Shared by every thread.
  static void setDefaultBridgePath(const std::string& folder);
  static std::string defaultBridgePath();
  void setUseBridge(bool useBridge) { useBridge_ = useBridge; }
  void setBridgePort(uint16_t port) { bridgePort_ = port; }
  void setBridgeStarter(BridgeStarter starter) { startBridge_ = std::move(starter); }

  // The command that starts the bridge: the executable in bridgePath (else the default
  // folder), or its bare name to be found through the program search path.
  std::string bridgeCommand() const;
  // Its arguments: none for the standard port; for another port (a test's own bridge) that
  // port and a short idle limit, so that the bridge does not outlive the test.
  std::vector<std::string> bridgeArguments() const;

 private:
  // The bridge way: the answer to the request, a failed exchange, or no bridge reached.
  enum class BridgeOutcome { granted, refused, failed, notReached };

  BridgeOutcome connectThroughBridge();
  bool reachBridge();
  platform::ConnectResult connectFreshBridgeSocket();
  bool connectDirect();
  void applyTimeout(uint32_t milliseconds);

  platform::Socket socket_;
  std::string device_;
  uint32_t timeout_ = kDefaultTimeout;
  std::string bridgePath_;
  bool useBridge_ = true;
  uint16_t bridgePort_ = kBridgePort;
  BridgeStarter startBridge_;
};

}  // namespace zav
