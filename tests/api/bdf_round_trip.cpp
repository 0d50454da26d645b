// bdf_round_trip <folder>: BDF files through the C interface and CSV of the same blocks, for check_bdf.py.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "record/csv_writer.h"
#include "signal/impedance_estimator.h"
#include "support/record_writer.h"
#include "support/temp_folder.h"
#include "transport/marker_code.h"
#include "zav/zav.h"

namespace {

namespace fs = std::filesystem;

bool failed(const char* step) {
  std::fprintf(stderr, "%s failed: %s\n", step, zav_last_error());
  return true;
}

zav::SignalList signalsOf(zav_driver* driver) {
  zav::SignalList signals;
  for (uint16_t i = 0; i < zav_driver_get_number_of_signals(driver); ++i) {
    zav_signal* signal = zav_driver_get_signal(driver, i);
    char type[16];
    // The width does not matter to the CSV writer.
    signals.emplace_back(zav_signal_get_type(signal, type, sizeof type), zav_signal_get_channels(signal), 0,
                         zav_signal_get_samples(signal), zav_signal_get_mode(signal));
  }
  return signals;
}

// A recording ended by a stop of the device and one of the recording, or by freeing the handle.
bool writeLive(const fs::path& folder, const std::string& name, int blocks, bool endByFree) {
  zav_driver* driver = zav_driver_new_simulated(nullptr, zav_dry_eeg_sensor);
  const std::string refused = (folder / "refused.bdf").string();
  if (zav_driver_record_start(driver, refused.c_str()) || zav_driver_record_stop(driver) ||
      fs::exists(refused))
    return !failed("refusals before a connect");
  zav_driver_connect(driver);
  if (!zav_driver_is_connected(driver)) return !failed("connect");
  if (zav_driver_record_start(driver, nullptr) ||
      zav_driver_record_start(driver, (folder / "refused.csv").string().c_str()) ||
      std::string(zav_last_error()).find(".bdf") == std::string::npos)
    return !failed("refusals");
  const std::string path = (folder / (name + ".bdf")).string();
  if (!zav_driver_record_start(driver, path.c_str())) return !failed("record start");
  if (zav_driver_record_start(driver, path.c_str())) return !failed("a second record start refused");

  const fs::path csvFolder = folder / (name + "_csv");
  fs::create_directories(csvFolder);
  const zav::SignalList signals = signalsOf(driver);
  zav::CsvWriter csv(csvFolder.string().c_str(), signals.data(), signals.size(), "", zav::kDrySensor);
  if (!csv.open(zav_driver_get_frequency(driver), false) || !zav_driver_start(driver))
    return !failed("start");
  for (int block = 0; block < blocks; ++block) {
    uint16_t sequence = 0, battery = 0, flags = 0;
    const double* values = zav_driver_read(driver, &sequence, &battery, &flags);
    if (values == nullptr) return !failed("read");
    csv.writeBlock(values, sequence, battery, flags);
  }
  if (endByFree) {
    zav_driver_free(driver);
    return csv.close();
  }
  // Stopping the device ends the recording; the stop that follows still reports it whole.
  zav_driver_stop(driver);
  const bool whole = zav_driver_record_stop(driver);
  const bool again = zav_driver_record_stop(driver);
  zav_driver_free(driver);
  return csv.close() && (whole || !failed("record stop")) &&
         (!again || !failed("a second record stop refused"));
}

// 100 blocks at 32/s, 5 lost (40-44), 10 not aligned (60-69), marker 0x5A from block 20, 4 electrodes.
bool writeRecord(const fs::path& folder) {
  zav::test::TempFolder card;
  zav::test::RecordWriter writer({{"EEG", 4, 3, 8, 1}, {"DIN", 3, 1, 8, 1}, {"IMU_B", 9, 2, 1, 1}}, 32);
  writer.setLayoutField(",100|200|300|400,100|100|100|100,1|2|3|4,2000,1550");
  const uint8_t code[2] = {zav::markerCodeword(0x5), zav::markerCodeword(0xA)};
  std::string bytes = writer.header();
  for (uint16_t s = 0; s < 100; ++s) {
    if (s >= 40 && s < 45) continue;
    std::vector<double> values;
    // Channel c's row i at value c * 8 + i.
    for (int v = 0; v < 4 * 8; ++v) values.push_back(80.0 * std::sin((s * 8 + v % 8) * 0.3 + v / 8) + v / 8);
    for (int v = 0; v < 3 * 8; ++v) {
      const int bit = (s - 20) * 8 + v % 8;  // rows of the marker code, from its start
      const bool level =
          v / 8 == 1 ? bit >= 0 && bit < 16 && (code[bit / 8] >> (7 - bit % 8)) & 1 : (s + v / 8) % 2;
      values.push_back(level ? 1.0 : 0.0);
    }
    for (int c = 0; c < 9; ++c) values.push_back((s % 10) * 0.25 - c);
    bytes += writer.block(s, values, 3, s >= 60 && s < 70 ? 7 : 0);
  }
  zav::test::writeFile(card / "0_rec.bin", bytes);
  fs::create_directories(folder / "sd_csv");
  const std::string path = (folder / "sd.bdf").string();
  if (zav_import_sd_record_bdf(card.string().c_str(), "rec", path.c_str()) != 1) return !failed("BDF export");
  if (zav_driver_import_sd_record(card.string().c_str(), "rec", (folder / "sd_csv").string().c_str()) != 1)
    return !failed("CSV export");
  return zav_import_sd_record_bdf(card.string().c_str(), "none", path.c_str()) == 0 ||
         !failed("a missing record");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  const bool written = writeLive(folder, "live", 80, false) && writeLive(folder, "freed", 40, true);
  return written && writeRecord(folder) ? 0 : 1;
}
