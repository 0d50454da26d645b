#include "record/base_importer.h"

namespace zav {

BaseImporter::~BaseImporter() = default;

}  // namespace zav
