// The exported named constants.
#include "zav/zav.h"

#include "driver/battery_estimator.h"
#include "signal/impedance_estimator.h"

// The declarations in zav.h carry the export attribute.
extern "C" {

const int zav_driver_flags_ok = 0;
const int zav_driver_flags_sd_card_removed = 1;
const int zav_driver_flags_sd_card_access_error = 2;
const int zav_driver_flags_sd_card_folder_error = 3;
const int zav_driver_flags_sd_card_time_error = 4;
const int zav_driver_flags_sd_card_file_error = 5;
const int zav_driver_flags_sd_card_full_error = 6;
const int zav_driver_flags_eeg64_not_synchronized = 7;
const int zav_driver_flags_bad_anchor_configuration = 256;

const int zav_driver_impedance_unknown = zav::kImpedanceUnknown;
const int zav_driver_impedance_good = zav::kImpedanceGood;
const int zav_driver_impedance_fair = zav::kImpedanceFair;
const int zav_driver_impedance_bad = zav::kImpedanceBad;
const int zav_driver_impedance_saturated = zav::kImpedanceSaturated;

const int zav_dry_eeg_sensor = zav::kDrySensor;
const int zav_water_eeg_sensor = zav::kWaterSensor;

// Variables, not constants: their values come from the battery estimator at load.
uint16_t zav_driver_battery_charging = zav::BatteryEstimator::kCharging;
uint16_t zav_driver_battery_unknown = zav::BatteryEstimator::kUnknown;
}
