#include "record/importer.h"

#include "common/diagnostics.h"
#include "record/record_files.h"

namespace zav {

struct Importer::Impl {
  std::string folder;
  std::string recordName;
  bool validName = true;
  std::vector<std::filesystem::path> files;
  std::vector<RecordHeader> headers;
  std::vector<BlockCallback> callbacks;

  bool notifyCallbacks(const Block& block) const {
    for (const BlockCallback& callback : callbacks) {
      if (!callback(block)) return false;
    }
    return true;
  }
};

Importer::Importer(const std::string& folder, const std::string& recordName)
    : impl_(std::make_unique<Impl>()) {
  impl_->folder = folder;
  impl_->recordName = recordName;
  impl_->files = findRecordFiles(folder, recordName, impl_->validName);
  if (!impl_->validName) diag::line("invalid record name ", recordName);
  impl_->headers.reserve(impl_->files.size());
  for (const std::filesystem::path& file : impl_->files) impl_->headers.push_back(readRecordHeader(file));
}

Importer::~Importer() = default;

std::string Importer::description() const {
  return impl_->headers.empty() ? std::string() : impl_->headers[0].description;
}

uint16_t Importer::firstSequence() const {
  return impl_->headers.empty() ? 0 : impl_->headers[0].firstSequence;
}

uint64_t Importer::blockCount() const {
  uint64_t total = 0;
  for (const RecordHeader& header : impl_->headers) total += header.blockCount;
  return total;
}

uint16_t Importer::frequency() const {
  return impl_->headers.empty() ? 0 : impl_->headers[0].frequency;
}

SignalList Importer::signals() const {
  return impl_->headers.empty() ? SignalList() : impl_->headers[0].signals;
}

bool Importer::hasLayout() const {
  return !impl_->headers.empty() && impl_->headers[0].layout.present;
}

void Importer::writeLayout(const std::string& path) {
  if (hasLayout()) writeLayoutFile(impl_->headers[0].layout, path);
}

bool Importer::importAll() {
  RecordStream stream(impl_->files, impl_->headers);
  while (const Block* block = stream.next()) {
    if (!impl_->notifyCallbacks(*block)) {
      diag::line(stream.draining() ? "error processing pending block" : "error processing block");
      diag::line("error importing multiple files");
      return false;
    }
  }
  if (stream.failed()) {
    diag::line("error importing multiple files");
    return false;
  }
  return !stream.skipped();
}

void Importer::addCallback(const BlockCallback& callback) {
  impl_->callbacks.push_back(callback);
}

bool Importer::validName() const {
  return impl_->validName;
}

const std::vector<std::filesystem::path>& Importer::files() const {
  return impl_->files;
}

const std::vector<RecordHeader>& Importer::headers() const {
  return impl_->headers;
}

std::unique_ptr<RecordStream> Importer::stream() const {
  return std::make_unique<RecordStream>(impl_->files, impl_->headers);
}

}  // namespace zav
