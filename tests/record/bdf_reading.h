// What EDFlib's own reader finds in a BDF file: its record count and annotations.
#pragma once

#include <edflib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zav::test {

struct BdfContent {
  long long records = 0;
  std::vector<std::string> annotations;  // "0.5000 0.2500 text": onset, duration (-1: none)
};

inline BdfContent readBdf(const std::string& path) {
  BdfContent content;
  edf_hdr_struct header{};
  if (edfopen_file_readonly(path.c_str(), &header, EDFLIB_READ_ALL_ANNOTATIONS) != 0) return content;
  content.records = header.datarecords_in_file;
  for (long long i = 0; i < header.annotations_in_file; ++i) {
    edf_annotation_struct annotation{};
    edf_get_annotation(header.handle, static_cast<int>(i), &annotation);
    const double duration = annotation.duration_l < 0 ? -1.0 : annotation.duration_l / 1e7;
    char text[EDFLIB_MAX_ANNOTATION_LEN + 64];
    std::snprintf(text, sizeof text, "%.4f %.4f %s", annotation.onset / 1e7, duration, annotation.annotation);
    content.annotations.push_back(text);
  }
  edfclose_file(header.handle);
  return content;
}

}  // namespace zav::test
