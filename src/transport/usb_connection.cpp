#include "transport/usb_connection.h"

#include "common/property_map.h"
#include "common/diagnostics.h"

namespace zav {

namespace {

const char kPathKey[] = "path";
const char kPortKey[] = "port";
const char kBaudRateKey[] = "baudRate";

uint32_t rawResult(const platform::IoResult& result) {
  switch (result.status) {
    case platform::IoStatus::ok:
      return result.count;
    case platform::IoStatus::timedOut:
      return Connection::kTimedOut;
    case platform::IoStatus::closedByPeer:
    case platform::IoStatus::linkLost:
      return Connection::kLinkLost;
    case platform::IoStatus::failed:
      break;
  }
  return Connection::kFailed;
}

}  // namespace

UsbConnection::UsbConnection() = default;

UsbConnection::~UsbConnection() { port_.close(); }

// The path is taken whole: a typed read would stop at the first blank.
std::string UsbConnection::devicePath() const {
  const PropertyMap props(properties());
  if (props.has(kPathKey)) return props.text(kPathKey);
  return platform::serialPathForPort(props.get<int>(kPortKey));
}

std::string UsbConnection::describe() const {
  const PropertyMap props(properties());
  if (props.has(kPathKey)) return platform::serialDisplayName(devicePath());
  if (props.has(kPortKey)) return "COM " + std::to_string(props.get<int>(kPortKey));
  return "COM ";
}

bool UsbConnection::doOpen() {
  const PropertyMap props(properties());
  const std::string path = devicePath();  // a missing "port" throws from here
  const int rate = props.has(kBaudRateKey) ? props.get<int>(kBaudRateKey) : static_cast<int>(kDefaultBaudRate);
  if (rate <= 0) {
    diag::line("Unsupported baud rate ", rate);
    return false;
  }

  platform::SerialOpenError error;
  if (port_.open(path, static_cast<uint32_t>(rate), error)) return true;
  switch (error.stage) {
    case platform::SerialOpenError::Stage::open:
      diag::line("Unable to connect to port ", describe());
      diag::line("Error ", error.code);
      break;
    case platform::SerialOpenError::Stage::getState:
      diag::line("GetCommState failed with error ", error.code);
      break;
    case platform::SerialOpenError::Stage::setState:
      diag::line("SetCommState failed with error ", error.code);
      break;
    case platform::SerialOpenError::Stage::unsupportedRate:
      diag::line("Unsupported baud rate ", rate);
      break;
    case platform::SerialOpenError::Stage::none:
      break;
  }
  return false;
}

bool UsbConnection::doClose() { return port_.close(); }

bool UsbConnection::doSetTimeout(uint32_t milliseconds) { return port_.setTimeout(milliseconds); }

uint32_t UsbConnection::doGetTimeout() { return port_.timeout(); }

uint32_t UsbConnection::doRead(uint8_t* buffer, uint32_t count) {
  const platform::IoResult result = port_.read(buffer, count);
  // A successful read of nothing is a read that timed out.
  if (result.status == platform::IoStatus::ok && result.count == 0) return kTimedOut;
  return rawResult(result);
}

uint32_t UsbConnection::doWrite(const uint8_t* buffer, uint32_t count) { return rawResult(port_.write(buffer, count)); }

}  // namespace zav
