/* The C example of the README, kept identical to it. */
#include <stdio.h>
#include <zav/zav.h>

int main(void) {
  zav_driver* device = zav_driver_new_simulated(NULL, zav_dry_eeg_sensor);
  zav_driver_connect(device);
  if (!zav_driver_is_connected(device) || !zav_driver_start(device)) return 1;
  for (int block = 0; block < 64; ++block) {
    uint16_t sequence, battery, flags;
    const double* values = zav_driver_read(device, &sequence, &battery, &flags);
    if (values == NULL) continue; /* a late block; zav_driver_is_connected tells a lost link */
    printf("block %u: %d values, first EEG value %.3f uV\n", sequence, zav_driver_read_data_size(device), values[0]);
  }
  zav_driver_stop(device);
  zav_driver_disconnect(device);
  zav_driver_free(device);
  return 0;
}
