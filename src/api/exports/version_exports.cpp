// The exported library version.
#include "api/exports/boundary.h"

using zav::exports::guarded;

namespace {

constexpr bool sameText(const char* a, const char* b) {
  return *a == *b && (*a == '\0' || sameText(a + 1, b + 1));
}

// The header's version macros are written by hand; the build passes the project's version
// so that the two cannot drift apart unnoticed.
static_assert(sameText(ZAV_VERSION_STRING, ZAV_PROJECT_VERSION),
              "ZAV_VERSION_STRING in zav.h differs from the project version in CMakeLists.txt");

}  // namespace

extern "C" {

ZAV_API const char* zav_version(void) {
  return guarded<const char*>(nullptr, [] { return ZAV_VERSION_STRING; });
}

}  // extern "C"
