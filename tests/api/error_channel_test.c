// The error channel and the log handler as a C host meets them: public header and shared library.
#include <stdio.h>
#include <string.h>
#include <zav/zav.h>

static int failures = 0;

static void check(int passed, int line, const char* condition) {
  if (!passed) fprintf(stderr, "%s:%d: %s\n", __FILE__, line, condition);
  failures += !passed;
}
#define CHECK(condition) check(condition, __LINE__, #condition)

struct Captured {
  int lines;
  int wholeLines;  // lines without a line end inside
  char first[256];
};

static void capture(const char* line, void* user) {
  struct Captured* captured = (struct Captured*)user;
  if (captured->lines == 0) snprintf(captured->first, sizeof captured->first, "%s", line);
  ++captured->lines;
  if (strchr(line, '\n') == NULL) ++captured->wholeLines;
}

static int keepListing(const zav_record_info* record, void* user) {
  (void)record;
  (void)user;
  return 1;
}

int main(void) {
  // A failure leaves its reason; the next call that succeeds clears it.
  CHECK(zav_driver_start(NULL) == false);
  CHECK(strcmp(zav_last_error(), "null driver handle") == 0);
  zav_driver* device = zav_driver_new_simulated(NULL, zav_dry_eeg_sensor);
  CHECK(device != NULL);
  CHECK(strcmp(zav_last_error(), "") == 0);
  CHECK(zav_driver_new_serial(NULL, 1) == NULL);
  CHECK(strcmp(zav_last_error(), "") != 0);
  CHECK(zav_driver_is_connected(device) == false);  // an answer, not a failure
  CHECK(strcmp(zav_last_error(), "") == 0);

  zav_driver_connect(device);
  CHECK(zav_driver_is_connected(device));
  CHECK(zav_driver_get_signal(device, 99) == NULL);
  CHECK(strstr(zav_last_error(), "index") != NULL);
  CHECK(zav_driver_get_signal(device, 0) != NULL);
  CHECK(strcmp(zav_last_error(), "") == 0);
  CHECK(zav_driver_read(device, NULL, NULL, NULL) == NULL);  // not started
  CHECK(strcmp(zav_last_error(), "acquisition is not running") == 0);
  zav_driver_disconnect(device);
  CHECK(zav_driver_read(device, NULL, NULL, NULL) == NULL);
  CHECK(strstr(zav_last_error(), "not connected") != NULL);
  zav_driver_free(device);

  CHECK(zav_driver_import_sd_record(".", "no-such-record", "out") == 0);
  CHECK(strstr(zav_last_error(), "no record no-such-record in .") != NULL);
  CHECK(zav_list_sd_records("/nonexistent/zav-folder", keepListing, NULL) == -1);
  CHECK(strstr(zav_last_error(), "is not a readable folder") != NULL);

  // Diagnostic lines go to the handler, whole, and stop going there once it is removed.
  struct Captured captured = {0, 0, ""};
  zav_set_log_handler(capture, &captured);
  zav_driver* broken = zav_driver_new_simulated("/nonexistent/device.json", zav_dry_eeg_sensor);
  zav_driver_connect(broken);
  CHECK(strcmp(zav_last_error(), "could not connect to the device") == 0);
  CHECK(!zav_driver_is_connected(broken));
  CHECK(captured.lines > 0);
  CHECK(captured.wholeLines == captured.lines);
  CHECK(strstr(captured.first, "/nonexistent/device.json") != NULL);
  const int seen = captured.lines;
  zav_set_log_handler(NULL, NULL);
  zav_driver_connect(broken);
  CHECK(captured.lines == seen);
  zav_driver_free(broken);

  if (failures == 0) printf("error channel: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
