/*
 * zav: device access for battery-powered EEG and biosignal amplifiers.
 *
 * The whole public contract of the library: opaque handles, exported functions and
 * named constants. Every function is safe to call with null handles or pointers; it then
 * returns its failure value (false, null, 0 or an empty text), and zav_last_error tells
 * why. No function throws or ends the host process. Diagnostics are plain lines on
 * standard output unless the host takes them with zav_set_log_handler.
 *
 * Typical use:
 *
 *     zav_driver* d = zav_driver_new_simulated(NULL, zav_dry_eeg_sensor);
 *     zav_driver_connect(d);
 *     if (zav_driver_is_connected(d) && zav_driver_start(d)) {
 *         uint16_t seq, battery, flags;
 *         const double* v = zav_driver_read(d, &seq, &battery, &flags);
 *         int n = zav_driver_read_data_size(d);   // number of doubles behind v
 *     }
 *     zav_driver_stop(d);
 *     zav_driver_disconnect(d);
 *     zav_driver_free(d);
 *
 * A handle is used by one thread at a time.
 */
#ifndef ZAV_ZAV_H
#define ZAV_ZAV_H

#include <stdbool.h>
#include <stdint.h>

#define ZAV_VERSION_MAJOR 0
#define ZAV_VERSION_MINOR 1
#define ZAV_VERSION_PATCH 0
#define ZAV_VERSION_STRING "0.1.0"

/* ZAV_API marks what the shared library exports; nothing else leaves it. */
#if defined(ZAV_BUILDING_LIBRARY)
#if defined(_WIN32)
#define ZAV_API __declspec(dllexport)
#else
#define ZAV_API __attribute__((visibility("default")))
#endif
#elif defined(ZAV_STATIC_CORE) || !defined(_WIN32)
#define ZAV_API
#else
#define ZAV_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Opaque handle of one device (or of the two-device 64-channel set). */
typedef struct zav_driver zav_driver;
/** Opaque handle of one signal of a device; owned by its driver handle. */
typedef struct zav_signal zav_signal;

/**
 * The library's version, "major.minor.patch" (for example "0.1.0"): the version of the
 * loaded library, which a host compares with the ZAV_VERSION_STRING it was built against.
 * The text is static; never null.
 */
ZAV_API const char* zav_version(void);

/* ---- Constants ------------------------------------------------------------------ */

/* Block flags: the device's SD-card status code, compared whole (not as bits). */
ZAV_API extern const int zav_driver_flags_ok;                       /* 0 */
ZAV_API extern const int zav_driver_flags_sd_card_removed;          /* 1 */
ZAV_API extern const int zav_driver_flags_sd_card_access_error;     /* 2 */
ZAV_API extern const int zav_driver_flags_sd_card_folder_error;     /* 3 */
ZAV_API extern const int zav_driver_flags_sd_card_time_error;       /* 4 */
ZAV_API extern const int zav_driver_flags_sd_card_file_error;       /* 5 */
ZAV_API extern const int zav_driver_flags_sd_card_full_error;       /* 6 */
ZAV_API extern const int zav_driver_flags_eeg64_not_synchronized;   /* 7: the two devices are not aligned */
ZAV_API extern const int zav_driver_flags_bad_anchor_configuration; /* 256 */

/* Electrode contact grades returned by zav_driver_get_eeg_impedance. */
ZAV_API extern const int zav_driver_impedance_unknown;   /* 0 */
ZAV_API extern const int zav_driver_impedance_good;      /* 1 */
ZAV_API extern const int zav_driver_impedance_fair;      /* 2 */
ZAV_API extern const int zav_driver_impedance_bad;       /* 3 */
ZAV_API extern const int zav_driver_impedance_saturated; /* 4 */

/* Sensor types for the constructors; they select the impedance thresholds. */
ZAV_API extern const int zav_dry_eeg_sensor;   /* 1 */
ZAV_API extern const int zav_water_eeg_sensor; /* 2 */

/* Battery levels besides 0 (empty) to 5 (full); set when the library is loaded. */
ZAV_API extern uint16_t zav_driver_battery_charging; /* 65535 */
ZAV_API extern uint16_t zav_driver_battery_unknown;  /* 65534 */

/* ---- Errors and diagnostics --------------------------------------------------------- */

/**
 * Why the last call of this thread failed: empty after a call that succeeded, a short
 * English text after one that returned its failure value (a null handle or argument, an
 * index beyond the count, a read that timed out or lost its link, a record not found, ...).
 * A predicate's false (zav_driver_is_connected, ...) is an answer, not a failure. The text
 * belongs to the library and stays valid until this thread's next call; never null.
 *
 *     if (zav_driver_read(d, &seq, &battery, &flags) == NULL)
 *         fprintf(stderr, "no block: %s\n", zav_last_error());
 */
ZAV_API const char* zav_last_error(void);
/**
 * Routes every diagnostic line of the library to handler (the line without its line end,
 * and user as given) instead of standard output; NULL restores standard output, the
 * default. Lines come one at a time, never two at once, possibly from the library's own
 * threads (the two-device set connects its devices on two threads); the handler must not
 * call zav_set_log_handler.
 */
ZAV_API void zav_set_log_handler(void (*handler)(const char* line, void* user), void* user);

/* ---- Construction and destruction ----------------------------------------------- */

/** Device on a USB serial port by number: COM<port> on Windows, /dev/ttyACM<port> on Linux. */
ZAV_API zav_driver* zav_driver_new_usb(int port, uint32_t sensor);
/** Device on a serial port by path ("COM3", "\\\\.\\COM12", "/dev/ttyUSB0"). */
ZAV_API zav_driver* zav_driver_new_serial(const char* path, uint32_t sensor);
/**
 * Bluetooth device by name or by address "XX:XX:XX:XX:XX:XX" (only the first word is used),
 * reached directly. The names "sim:left", "sim:right" and "sim:NAME" are the simulated
 * devices of the Bluetooth bridge (rfbridge, see zav_set_bridge_folder), reached through it.
 */
ZAV_API zav_driver* zav_driver_new_bluetooth(const char* device, uint32_t sensor);
/**
 * The two-device 64-channel set by the names of its left and right devices (water sensors;
 * only the first word of each name is used). Both devices are reached through the local
 * Bluetooth bridge program (rfbridge), which the library starts when nobody listens; "sim:left"
 * and "sim:right" name the bridge's two simulated halves. The set reads as one device of six
 * signals: EEG 64 (left channels 1-32, right 33-64), ExG_B 4, IMU_B 9 (left), IMU_B 9 (right),
 * FOT 2 and the SD card. Until the two streams are aligned on their shared marker code a read
 * returns a record of NaN with flags zav_driver_flags_eeg64_not_synchronized; once aligned,
 * a record that would hold a NaN (a block lost on one side) fails the read with those flags.
 */
ZAV_API zav_driver* zav_driver_new_eeg64(const char* left, const char* right);
/**
 * Simulated device described by a JSON configuration file. With a null path, a built-in
 * 32-channel amplifier at 32 blocks per second (256 samples per second): EEG 32 x 24-bit
 * channels with 8 samples per block carrying a looped synthetic EEG (10 Hz alpha, noise,
 * a little 50 Hz line noise; channels 8 and 24 carry strong 70-90 Hz noise, as a poor
 * contact would), ExG_B 2 channels, IMU_B 9 channels with 1 sample per block, FOT 1
 * channel, DIN 3 channels and an SD-card recorder.
 */
ZAV_API zav_driver* zav_driver_new_simulated(const char* configurationPath, uint32_t sensor);
/**
 * The folder holding the Bluetooth bridge program (rfbridge, rfbridge.exe on Windows),
 * which the library starts when no bridge listens: used by every Bluetooth device that
 * reaches its device through the bridge (the two-device set) and has no folder of its own.
 * NULL or "" restores the default, the program search path. False, keeping the setting,
 * when folder is not an existing folder. A host that ships rfbridge beside itself passes
 * its own folder once, before connecting.
 */
ZAV_API bool zav_set_bridge_folder(const char* folder);
/** Destroys a handle; null is ignored. Sends nothing: a streaming device goes on streaming. */
ZAV_API void zav_driver_free(zav_driver* driver);

/* ---- Connection lifecycle ------------------------------------------------------- */

/** Opens the transport, stops any streaming, reads identity and signals. See is_connected. */
ZAV_API void zav_driver_connect(zav_driver* driver);
/**
 * Closes the transport and forgets the device's identity, frequency, signal list, folder and
 * file. The host's signal handles stay (zav_driver_get_number_of_signals keeps its count) but
 * answer 0, false or "" until the next connect gives the driver its list back.
 */
ZAV_API void zav_driver_disconnect(zav_driver* driver);
/** Closes and reopens the transport keeping what is known; resumes a device that still streams. */
ZAV_API void zav_driver_reconnect(zav_driver* driver);
/** Whether the device is connected (idle or running). */
ZAV_API bool zav_driver_is_connected(zav_driver* driver);
/** Whether the device is streaming data blocks. */
ZAV_API bool zav_driver_is_running(zav_driver* driver);
/** Sets the device clock and starts streaming; true when running afterwards. */
ZAV_API bool zav_driver_start(zav_driver* driver);
/** Stops streaming and re-reads the configuration; true when connected and idle afterwards. */
ZAV_API bool zav_driver_stop(zav_driver* driver);
/**
 * Estimates the device clock's offset from the host clock (microseconds) and the mean
 * round trip of an exchange. Needs firmware 1.0 or later; false when it did not converge.
 */
ZAV_API bool zav_driver_synchronize(zav_driver* driver, uint32_t* roundTrip, int32_t* offset);

/* ---- Reading -------------------------------------------------------------------- */

/**
 * Reads one block. Returns zav_driver_read_data_size() doubles in physical units: the
 * enabled signals in order, each channel-major (channel * samples + sample, both 0-based).
 * Units: EEG, ExG_A, ExG_B and GEN (analog inputs) in microvolts; ACC in g; IMU_B channels
 * 1-3 in m/s2, 4-6 in degrees per second, 7-9 in microtesla; DIN and DOUT as line states;
 * FOT (photodiode), IMU, FLOT, COM, GSR and the other types in the device's own scale. The storage
 * belongs to the handle and stays valid until the next read. Null on time-out or error;
 * after a lost link zav_driver_is_connected() turns false. Any output pointer may be null.
 */
ZAV_API const double* zav_driver_read(zav_driver* driver, uint16_t* sequence, uint16_t* battery,
                                      uint16_t* flags);
/** Number of doubles one successful read returns (follows signal mode changes). */
ZAV_API int zav_driver_read_data_size(zav_driver* driver);
/**
 * Reads up to count blocks into the host's storage, one row of zav_driver_read_data_size()
 * doubles per block (values must hold capacity >= count x that many doubles), with each
 * block's sequence number, battery level and flags in the arrays of count entries (any may
 * be null). Returns the number of blocks read: fewer than count when a read failed (time-out,
 * lost link: zav_last_error says which), -1 for missing storage or too small a capacity.
 * One call per batch keeps a host whose calls are costly (an interpreter) at the speed of C.
 */
ZAV_API int zav_driver_read_blocks(zav_driver* driver, int count, double* values, uint32_t capacity,
                                   uint16_t* sequences, uint16_t* batteries, uint16_t* flags);
/**
 * Reads up to count blocks like zav_driver_read_blocks, with the same arguments, results and
 * failures, but writes them "planar": each signal joined over the blocks. For each enabled
 * signal in the order of zav_driver_read, with c channels of s samples whose values start at
 * offset o in a block, values from count x o on hold a c x (count x s) row-major region:
 * sample j of channel k of block b is values[count x o + k x count x s + b x s + j]. A host
 * then uses each region as one (channels, time) array without reordering:
 *
 *     int n = zav_driver_read_planar(d, 100, v, 100 * size, seq, NULL, NULL);
 *     // EEG first (32 x 8): channel k's 800 samples from v + k * 800
 *
 * When a read fails part way, the blocks read so far stay where they are (the regions keep
 * the stride of count) and are counted. The layout is the one the signals have at the call:
 * after a mode change the next call follows it, and a capacity that fitted before may be
 * too small (-1, nothing read).
 */
ZAV_API int zav_driver_read_planar(zav_driver* driver, int count, double* values, uint32_t capacity,
                                   uint16_t* sequences, uint16_t* batteries, uint16_t* flags);
/** Blocks per second (0 before connecting). */
ZAV_API uint16_t zav_driver_get_frequency(zav_driver* driver);
/**
 * Contact grade (zav_driver_impedance_*) of the EEG channel at index channel (0-based:
 * channel 1 is index 0), from the 70-90 Hz noise over the last 10 s of blocks read, updated
 * every 2 s. Until the first 10 s of blocks have been read since acquisition started, every
 * channel reads saturated (4): no grade exists yet, so a host shows "waiting" then rather
 * than a result. Unknown (0) for a handle without an enabled EEG signal or an index beyond
 * its channels.
 */
ZAV_API int zav_driver_get_eeg_impedance(zav_driver* driver, uint16_t channel);

/* ---- Recording ------------------------------------------------------------------ */

/*
 * BDF+ files (24-bit), as MNE-Python, EEGLAB and EDFbrowser open them: one BDF signal per
 * channel of every enabled signal, labelled like the CSV columns ("EEG-ch1", "D in-ch2";
 * EEG channels of an SD record with an electrode layout take the electrodes' names),
 * with its unit ("uV" for EEG, ExG and analog inputs) and the range its samples can
 * hold; data records of one second. Annotations mark "lost N blocks" (missing or damaged
 * blocks, written as zero), "not aligned" (flags 7), "marker C" (a marker code on the
 * digital input) and "no data" (the filler that completes the last second). Windows
 * builds have no BDF writer: these calls fail there, zav_last_error saying so.
 */

/**
 * Starts recording every block that zav_driver_read returns from now on into the file at
 * path (replaced if it exists). The format follows the extension: ".bdf" (CSV later).
 * Needs a connected handle; one recording at a time. Blocks the device sent but the link
 * lost (a jump in sequence numbers) are written as lost. zav_driver_stop, a lost link,
 * zav_driver_free and a write error end the recording with a file complete up to the
 * last block written.
 *
 *     zav_driver_record_start(d, "session.bdf");
 *     while (running) zav_driver_read(d, &seq, &battery, &flags);
 *     zav_driver_record_stop(d);
 */
ZAV_API bool zav_driver_record_start(zav_driver* driver, const char* path);
/**
 * Ends the recording and completes its file: true when every block read since
 * zav_driver_record_start is in the file, also when the recording had already ended with
 * zav_driver_stop or a lost link; false when none was started or a write failed.
 */
ZAV_API bool zav_driver_record_stop(zav_driver* driver);

/* ---- Signals -------------------------------------------------------------------- */

/** Number of signals (0 before the first successful connect; the SD-card entry is not one). */
ZAV_API uint16_t zav_driver_get_number_of_signals(zav_driver* driver);
/** The index-th signal, or null when index is not below the count. */
ZAV_API zav_signal* zav_driver_get_signal(zav_driver* driver, uint16_t index);
/** Copies the signal's type code ("EEG", "ExG_B", ...), truncated to size - 1 characters. */
ZAV_API char* zav_signal_get_type(zav_signal* signal, char* buffer, uint32_t size);
/** Number of channels. */
ZAV_API int zav_signal_get_channels(zav_signal* signal);
/** Samples per channel in one block. */
ZAV_API int zav_signal_get_samples(zav_signal* signal);
/** Mode: 0 off, 1 or more on (some types use the value to select a variant). */
ZAV_API int zav_signal_get_mode(zav_signal* signal);
/** Changes the mode (connected and idle only); true once the device reports the new mode. */
ZAV_API bool zav_signal_set_mode(zav_signal* signal, int mode);

/* ---- Identity and SD card ------------------------------------------------------- */

/** Hardware version from the identity text ("..HW8.7.."); false when it holds none. */
ZAV_API bool zav_driver_get_hw_version(zav_driver* driver, uint16_t* major, uint16_t* minor);
/** Firmware version from the identity text ("..FW1.4.."); false when it holds none. */
ZAV_API bool zav_driver_get_fw_version(zav_driver* driver, uint16_t* major, uint16_t* minor);
/** Whether the device has an SD-card recorder. */
ZAV_API bool zav_driver_has_sd_card_capability(zav_driver* driver);
/** Whether SD-card recording is switched on. */
ZAV_API bool zav_driver_is_sd_card_enabled(zav_driver* driver);
/** Switches SD-card recording on (enable != 0) or off; connected and idle only. */
ZAV_API bool zav_driver_enable_sd_card(zav_driver* driver, int enable);
/** Copies the SD-card folder name, truncated to size - 1 characters and NUL-terminated. */
ZAV_API char* zav_driver_get_folder(zav_driver* driver, char* buffer, uint32_t size);
/** Copies the SD-card file name, truncated to size - 1 characters and NUL-terminated. */
ZAV_API char* zav_driver_get_file(zav_driver* driver, char* buffer, uint32_t size);
/** Sets the SD-card folder ("/" become "\\", a leading "./" is dropped); connected and idle only. */
ZAV_API bool zav_driver_set_folder(zav_driver* driver, const char* name);
/** Sets the SD-card file name; connected and idle only. */
ZAV_API bool zav_driver_set_file(zav_driver* driver, const char* name);

/* ---- SD-card records ------------------------------------------------------------ */

/**
 * Converts the record "recordName" (files named "<n>_<recordName>...") found in folder
 * into CSV files in outputFolder: signalsInfo.csv, one file per signal and an impedance
 * file for EEG. Returns 1 on success, 0 on failure (no record, a file that could not be
 * written, a damaged record that could not be read).
 */
ZAV_API int zav_driver_import_sd_record(const char* folder, const char* recordName,
                                        const char* outputFolder);
/**
 * zav_driver_import_sd_record with progress: progress (may be NULL) receives the blocks
 * done and the blocks the record's files hold every 256 blocks and once at the end.
 * Returning 0 from it cancels: the rows written so far stay whole, and the call returns 0
 * (zav_last_error: "the conversion was cancelled").
 */
ZAV_API int zav_import_sd_record_with_progress(const char* folder, const char* recordName,
                                               const char* outputFolder,
                                               int (*progress)(uint64_t blocksDone, uint64_t blockCount,
                                                               void* user),
                                               void* user);

/**
 * Converts the record "recordName" found in folder into one BDF+ file, outputFile (see
 * Recording above), from the same blocks as zav_driver_import_sd_record; the record's
 * description goes to the header. Returns 1 on success, 0 on failure (as the CSV
 * conversion, and on a build without BDF).
 */
ZAV_API int zav_import_sd_record_bdf(const char* folder, const char* recordName, const char* outputFile);
/**
 * Converts the left/right record pairs of a 64-channel set (as zav_driver_import_eeg64_sd_record
 * finds and aligns them) into one BDF+ file per pair in outputFolder, named after the pair's
 * common name ("rec_.bdf" for rec_l and rec_r). Returns the number of pairs converted whole
 * (0 also on a build without BDF; zav_last_error says why).
 */
ZAV_API int zav_import_eeg64_sd_record_bdf(const char* leftFolder, const char* rightFolder, const char* baseName,
                                           const char* outputFolder);

/** One record of a folder, from its files' headers; the texts live during the callback only. */
typedef struct zav_record_info {
    const char* name;        /* the recordName the imports take */
    uint32_t file_count;     /* files of the record */
    uint16_t frequency;      /* blocks per second, from the first file */
    uint64_t block_count;    /* blocks of all files */
    uint64_t data_bytes;     /* bytes of those blocks */
    double seconds;          /* block_count / frequency; 0 without a frequency */
    const char* description; /* the first file's description text */
    const char* signals;     /* enabled signals and channels, "EEG 32, D in 3", or "none" */
} zav_record_info;

/**
 * Calls callback once per record found in folder (files named "<n>_<name>", an extension
 * not being part of the name), in name order; a callback that returns 0 ends the listing.
 * Returns the number of records passed to callback, or -1 when folder cannot be read.
 *
 *     static int show(const zav_record_info* r, void* user) {
 *         printf("%s: %.0f s, %s\n", r->name, r->seconds, r->signals);
 *         return 1;
 *     }
 *     zav_list_sd_records("/media/card", show, NULL);
 */
ZAV_API int zav_list_sd_records(const char* folder, int (*callback)(const zav_record_info* record, void* user),
                                void* user);

/**
 * Converts the left and right records of a 64-channel set, aligned on the marker codes
 * both devices received, into CSV files of one merged record (EEG 64, ExG_B 4, the left
 * and the right IMU_B, FOT 2). A left record is a name in leftFolder that holds baseName
 * (without its extension) and the letter "l"; a right record likewise with "r" in
 * rightFolder; the two pair up when their names agree but for the last character
 * ("rec_l" with "rec_r"). One pair is written into outputFolder; several pairs each into
 * a subfolder named after their common name ("rec_"), created as needed. Both records are
 * read side by side, so memory does not grow with their length. Returns the number of
 * pairs converted whole, 0 when none (zav_last_error tells why).
 */
ZAV_API int zav_driver_import_eeg64_sd_record(const char* leftFolder, const char* rightFolder,
                                              const char* baseName, const char* outputFolder);
/**
 * zav_driver_import_eeg64_sd_record with progress: progress (may be NULL) receives the
 * left blocks done and the blocks all left records hold, over all pairs, every 256 left
 * blocks and once at the end. Returning 0 from it cancels: the rows written so far stay
 * whole, the pair under way is not counted, and the call returns the pairs converted
 * before it (zav_last_error: "the conversion was cancelled").
 */
ZAV_API int zav_import_eeg64_sd_record_with_progress(const char* leftFolder, const char* rightFolder,
                                                     const char* baseName, const char* outputFolder,
                                                     int (*progress)(uint64_t blocksDone, uint64_t blockCount,
                                                                     void* user),
                                                     void* user);

/** One left/right record pair; the texts live during the callback only. */
typedef struct zav_record_pair {
    const char* left;      /* the left record's name */
    const char* right;     /* the right record's name */
    const char* name;      /* their common name: the left name without its last character */
    const char* subfolder; /* where the import writes the pair within outputFolder ("" for outputFolder itself) */
} zav_record_pair;

/**
 * Calls callback once per pair that zav_driver_import_eeg64_sd_record would convert for
 * these arguments, in the order it converts them; a callback that returns 0 ends the
 * listing. Returns the number of pairs passed to callback, or -1 when a folder cannot be
 * read or an argument is NULL.
 *
 *     static int show(const zav_record_pair* p, void* user) {
 *         printf("%s + %s -> %s/\n", p->left, p->right, p->subfolder);
 *         return 1;
 *     }
 *     zav_list_eeg64_sd_record_pairs("/media/left", "/media/right", "rec", show, NULL);
 */
ZAV_API int zav_list_eeg64_sd_record_pairs(const char* leftFolder, const char* rightFolder, const char* baseName,
                                           int (*callback)(const zav_record_pair* pair, void* user), void* user);

#ifdef __cplusplus
}
#endif

#endif /* ZAV_ZAV_H */
