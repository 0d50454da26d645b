// The device command protocol: ASCII commands, optional parameter bytes, and a response
// ended by a NUL byte (at most 6000 bytes). "ERR" refuses a command; "UART ERR" means
// the real response follows.
//
//     std::string version;
//     if (commands::getVersion(connection, version)) { ... }   // "gv"
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "signal/signal_info.h"

namespace zav {

class Connection;

namespace commands {

constexpr uint32_t kMaximumResponse = 6000;

// The request/response exchange; false (after a diagnostic line) when a write or read
// fails, false without a line when the device answers "ERR".
bool sendCommand(Connection* connection, const std::string& command, const std::string& parameters,
                 std::string& response);

bool getVersion(Connection* connection, std::string& version);  // "gv"
// "gf": an empty or blank answer leaves frequency unchanged; an answer without a number,
// or with one beyond 16 bits, gives 0. parsed tells whether a number came.
bool getFrequency(Connection* connection, uint16_t& frequency, bool* parsed = nullptr);
bool getSignals(Connection* connection, SignalList& signals);  // "gc"
bool getFolder(Connection* connection, std::string& folder);   // "gd"
bool getFile(Connection* connection, std::string& file);       // "ga"
bool getExtra(Connection* connection, std::string& extra);     // "gx"
bool setModes(Connection* connection, const std::string& modes);      // "cc"
bool setFolder(Connection* connection, const std::string& folder);    // "cd"
bool setFile(Connection* connection, const std::string& file);        // "ca"
bool setExtra(Connection* connection, const std::string& extra);      // "cx"
bool setFrequency(Connection* connection, uint16_t frequency);        // "cf", low byte first
bool setClock(Connection* connection, const CalendarTime& time);      // "ct"
bool endClockMode(Connection* connection);                            // "a"

// Written without waiting for an answer.
bool startStreaming(Connection* connection);  // "s"
bool stopStreaming(Connection* connection);   // "p"
bool enterClockMode(Connection* connection);  // "ck"

// Byte 0x01 out, two big-endian 32-bit device times back.
bool clockSample(Connection* connection, uint32_t& first, uint32_t& second);

// The 7 parameter bytes of "ct": year high, year low, month, day, hour, minute, second.
std::string clockParameters(const CalendarTime& time);

}  // namespace commands
}  // namespace zav
