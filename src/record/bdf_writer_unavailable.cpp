// The BDF writer of a build without EDFlib (the Windows cross build: Debian ships EDFlib
// for the build machine only): every file fails to open, and says why.
#include "record/bdf_writer.h"

namespace zav {

namespace {

constexpr const char* kUnavailable = "BDF is not available in this build";

}  // namespace

struct BdfWriter::Impl {
  std::string error;
};

BdfWriter::BdfWriter(std::string) : impl_(std::make_unique<Impl>()) {}

BdfWriter::~BdfWriter() = default;

bool BdfWriter::available() {
  return false;
}

void BdfWriter::setLayout(const ElectrodeLayout&) {}

void BdfWriter::setRecordingText(const std::string&) {}

bool BdfWriter::open(const SignalList&, uint16_t) {
  impl_->error = kUnavailable;
  return false;
}

void BdfWriter::write(const BaseImporter::Block&) {}

void BdfWriter::write(const double*, std::size_t, uint16_t) {}

void BdfWriter::writeLost(uint64_t) {}

bool BdfWriter::close() {
  impl_->error = kUnavailable;
  return false;
}

bool BdfWriter::isOpen() const {
  return false;
}

const std::string& BdfWriter::error() const {
  return impl_->error;
}

}  // namespace zav
