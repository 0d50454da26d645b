// The exported named constants.
#include "zav/zav.h"

#include "driver/battery_estimator.h"
#include "signal/impedance_estimator.h"

extern "C" {

ZAV_API const int zav_driver_flags_ok = 0;
ZAV_API const int zav_driver_flags_sd_card_removed = 1;
ZAV_API const int zav_driver_flags_sd_card_access_error = 2;
ZAV_API const int zav_driver_flags_sd_card_folder_error = 3;
ZAV_API const int zav_driver_flags_sd_card_time_error = 4;
ZAV_API const int zav_driver_flags_sd_card_file_error = 5;
ZAV_API const int zav_driver_flags_sd_card_full_error = 6;
ZAV_API const int zav_driver_flags_eeg64_not_synchronized = 7;
ZAV_API const int zav_driver_flags_bad_anchor_configuration = 256;

ZAV_API const int zav_driver_impedance_unknown = zav::kImpedanceUnknown;
ZAV_API const int zav_driver_impedance_good = zav::kImpedanceGood;
ZAV_API const int zav_driver_impedance_fair = zav::kImpedanceFair;
ZAV_API const int zav_driver_impedance_bad = zav::kImpedanceBad;
ZAV_API const int zav_driver_impedance_saturated = zav::kImpedanceSaturated;

ZAV_API const int zav_dry_eeg_sensor = zav::kDrySensor;
ZAV_API const int zav_water_eeg_sensor = zav::kWaterSensor;

// Variables, not constants: their values come from the battery estimator at load.
ZAV_API uint16_t zav_driver_battery_charging = zav::BatteryEstimator::kCharging;
ZAV_API uint16_t zav_driver_battery_unknown = zav::BatteryEstimator::kUnknown;
}
