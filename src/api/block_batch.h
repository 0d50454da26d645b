// Many blocks per call into the host's storage: one foreign call per batch keeps a host whose
// calls are costly (an interpreter) at the speed of C. Two orders:
//
//   rows    block after block, each as DriverConnection::read gives it;
//   planar  each enabled signal joined over the blocks, ready to use as (channels, count x
//           samples) arrays: the signal whose values start at offset o in a block, with c
//           channels of s samples, takes the region from count x o on, where sample j of
//           channel k of block b lies at count x o + k x count x s + b x s + j.
//
//     BlockBatch batch{count, values, capacity, sequences, batteries, flags};
//     const char* stopped = nullptr;
//     const int read = readBlockBatch(handle, batch, BlockOrder::planar, stopped);
#pragma once

#include <cstdint>

#include "api/driver_connection.h"

namespace zav::detail {

enum class BlockOrder { rows, planar };

struct BlockBatch {
  int count = 0;
  double* values = nullptr;  // room for capacity doubles
  uint64_t capacity = 0;
  // count entries each; any may be null.
  uint16_t* sequences = nullptr;
  uint16_t* batteries = nullptr;
  uint16_t* flags = nullptr;
};

// Why DriverConnection::read returned no block, given the flags that read left.
const char* readFailure(const DriverConnection& connection, uint16_t flags);

// Reads up to batch.count blocks of the layout the signals have now. Returns the number read,
// or -1 (nothing read) for a negative count, missing values or a capacity below count x the
// values per block. When a read fails part way, the blocks before it stay in place (a planar
// region keeps its count-based stride). stopped says why fewer than count were read; it is
// null when all were.
int readBlockBatch(DriverConnection& connection, const BlockBatch& batch, BlockOrder order, const char*& stopped);

}  // namespace zav::detail
