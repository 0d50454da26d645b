// Bluetooth devices through the Windows name-space provider for Bluetooth. The first pass
// lists the devices Windows remembers; two more passes flush the cache, which makes
// Windows run an inquiry and find devices in range that it has not seen yet.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2bth.h>
#include <windows.h>

#include <cstring>

#include "platform/bluetooth_discovery.h"
#include "platform/winsock_startup.h"

namespace zav::platform {

namespace {

constexpr DWORD kListFlags = LUP_CONTAINERS | LUP_RETURN_NAME | LUP_RETURN_ADDR;
constexpr int kPasses = 3;

// The query buffer lives on the process heap because Windows may ask for a larger one.
class QueryBuffer {
 public:
  QueryBuffer() { resize(sizeof(WSAQUERYSETW)); }
  ~QueryBuffer() { release(); }
  QueryBuffer(const QueryBuffer&) = delete;
  QueryBuffer& operator=(const QueryBuffer&) = delete;

  bool resize(DWORD size) {
    release();
    data_ = static_cast<WSAQUERYSETW*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    size_ = data_ != nullptr ? size : 0;
    return data_ != nullptr;
  }
  WSAQUERYSETW* get() const { return data_; }
  DWORD size() const { return size_; }

 private:
  void release() {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
    data_ = nullptr;
    size_ = 0;
  }

  WSAQUERYSETW* data_ = nullptr;
  DWORD size_ = 0;
};

std::string narrowName(const wchar_t* name) {
  std::string text;
  for (; *name != L'\0'; ++name) text.push_back(static_cast<char>(static_cast<unsigned>(*name) & 0xFFu));
  return text;
}

void addRecord(const WSAQUERYSETW& result, std::vector<DeviceRecord>& records) {
  if (result.lpszServiceInstanceName == nullptr || result.lpcsaBuffer == nullptr) return;
  const SOCKET_ADDRESS& remote = result.lpcsaBuffer->RemoteAddr;
  if (remote.lpSockaddr == nullptr || remote.iSockaddrLength < static_cast<INT>(sizeof(SOCKADDR_BTH))) return;
  SOCKADDR_BTH address;
  std::memcpy(&address, remote.lpSockaddr, sizeof address);
  DeviceRecord record;
  record.name = narrowName(result.lpszServiceInstanceName);
  record.endpoint.address = address.btAddr;
  std::memcpy(record.endpoint.serviceClass.data(), &address.serviceClassId,
              record.endpoint.serviceClass.size());
  records.push_back(std::move(record));
}

// Returns false when discovery must stop altogether.
bool runPass(int pass, QueryBuffer& buffer, std::vector<DeviceRecord>& records) {
  std::memset(buffer.get(), 0, buffer.size());
  buffer.get()->dwSize = sizeof(WSAQUERYSETW);
  buffer.get()->dwNameSpace = NS_BTH;
  HANDLE lookup = nullptr;
  if (WSALookupServiceBeginW(buffer.get(), LUP_CONTAINERS, &lookup) != 0) return pass == 0;

  const DWORD flags = pass == 0 ? kListFlags : (kListFlags | LUP_FLUSHCACHE);
  bool keepGoing = true;
  for (;;) {
    DWORD size = buffer.size();
    if (WSALookupServiceNextW(lookup, flags, &size, buffer.get()) == 0) {
      addRecord(*buffer.get(), records);
      continue;
    }
    // A size that does not grow would ask again forever.
    if (WSAGetLastError() != WSAEFAULT || size <= buffer.size()) break;
    if (!buffer.resize(size)) {
      keepGoing = false;
      break;
    }
  }
  WSALookupServiceEnd(lookup);
  return keepGoing;
}

}  // namespace

std::vector<DeviceRecord> discoverDevices() {
  std::vector<DeviceRecord> records;
  if (!startWinsock()) return records;
  QueryBuffer buffer;
  if (buffer.get() == nullptr) return records;
  for (int pass = 0; pass < kPasses; ++pass) {
    if (pass > 0) Sleep(0);
    if (!runPass(pass, buffer, records)) break;
  }
  return records;
}

}  // namespace zav::platform
