#ifndef FLUXA_SIMULATOR_VELMORSIM_CONTROL_H
#define FLUXA_SIMULATOR_VELMORSIM_CONTROL_H
/*
 * Control interface of the simulated bus (libvelmorsim).
 *
 * The library exports the D2XX functions (the tool loads it in place of the
 * vendor's library) and, beside them, these VSim_* functions for tests,
 * benchmarks and tools that load the same library file with dlopen. Every
 * function is thread-safe. Functions returning int give VSIM_OK (0) or a
 * negative VSIM_ERR_*; VSim_GetLastError() then names the reason.
 *
 * Devices are addressed by their D2XX device number: the position in the
 * list that FT_CreateDeviceInfoList reports (0, 1, ...). Removing a device
 * moves the ones behind it up by one.
 *
 * Times are simulated time. With a time scale of 1.0 simulated time is real
 * time; with 0 nothing waits: a read that would wait lets simulated time
 * jump to the moment its bytes arrive or its time-out ends.
 */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VSIM_API __declspec(dllexport)
#else
#define VSIM_API __attribute__((visibility("default")))
#endif

/* Results. */
#define VSIM_OK 0
#define VSIM_ERR_ARGUMENT (-1) /* bad device number, unknown profile or name, value out of range */
#define VSIM_ERR_STATE (-2)    /* no fitting attached, or the device is no bus adapter */
#define VSIM_ERR_SYNTAX (-3)   /* scenario text not understood */
#define VSIM_ERR_FILE (-4)     /* a file could not be read or written */

/* Product types of the fittings. */
#define VSIM_TARVO 1
#define VSIM_TARVOV2 2
#define VSIM_AMBRA 3
#define VSIM_URINAL 4
#define VSIM_WC 5
#define VSIM_PELIO 6
#define VSIM_CULINA 7

/* ---- World --------------------------------------------------------------
 * VSim_Reset rebuilds the world from a scenario text (format in
 * simulator/README.md); NULL or "" gives the default world: one adapter
 * "Velmor BUS converter" with the "Ambra" fitting attached. Open handles turn
 * dead, faults and the trace are cleared, simulated time restarts at 0. The
 * time scale is kept unless the scenario sets one. */
VSIM_API int VSim_Reset(const char* scenarioText);
/* Applies a scenario file (path in UTF-8) as the variable VELMOR_SIM_SCENARIO
 * would; the file is then watched and re-read whenever it changes. A file
 * that cannot be read gives VSIM_ERR_FILE, one with a mistake VSIM_ERR_SYNTAX
 * (the world then stays as it was). */
VSIM_API int VSim_LoadScenarioFile(const char* path);
/* The reason of the last failure on the calling thread ("" when none). */
VSIM_API const char* VSim_GetLastError(void);

/* ---- Time ---------------------------------------------------------------- */
VSIM_API void VSim_SetTimeScale(double scale); /* 1.0 real time, 0 no delays, 2.0 half speed */
VSIM_API double VSim_GetTimeScale(void);
VSIM_API unsigned long long VSim_GetTimeNs(void); /* simulated time since the last reset */
/* Lets simulated time pass (with scale 0 at once; otherwise it sleeps). */
VSIM_API void VSim_AdvanceTime(unsigned milliseconds);

/* ---- USB devices ---------------------------------------------------------
 * position: the device number the new device gets, -1 to append. Returns
 * the device number. An empty or NULL description gives "Velmor BUS
 * converter" for adapters and "USB Serial Converter" for other devices; a
 * NULL serial gives a generated one. Other devices are plain serial ports:
 * they open, but nothing answers and nothing echoes. An adapter added with
 * the serial number of a pulled one finds the fitting that adapter left, as
 * it was left (running software, speed, memories); VSim_Reset forgets them. */
VSIM_API int VSim_GetDeviceCount(void);
VSIM_API int VSim_AddAdapter(int position, const char* description, const char* serial);
VSIM_API int VSim_AddOtherDevice(int position, const char* description, const char* serial);
/* The device is pulled: open handles turn dead (calls give FT_IO_ERROR and
 * FT_Close frees them). */
VSIM_API int VSim_RemoveDevice(int device);
VSIM_API int VSim_IsDeviceOpen(int device);         /* 1 open, 0 closed, <0 error */
VSIM_API int VSim_GetAdapterBaudRate(int device);   /* the rate set by FT_SetBaudRate */

/* ---- Fittings ------------------------------------------------------------
 * Profiles (names without regard to case): "Tarvo", "TarvoV2", "Ambra",
 * "Ambra2" (article 230300302, layout 0), "Urinal", "WC", "Pelio", "Culina",
 * "Unknown" (article 239999999, no product definition). A plugged fitting is
 * ready at once; VSim_RestartFitting power-cycles it. */
VSIM_API int VSim_PlugFitting(int device, const char* profile);
VSIM_API int VSim_UnplugFitting(int device);
/* Another unit in place of the attached one, without a gap: profile NULL or
 * "" keeps the product; serial NULL gives the current serial number + 1. */
VSIM_API int VSim_ExchangeFitting(int device, const char* profile, const char* serial);
/* serial: 12 hexadecimal digits as the tool shows them (highest EEPROM byte first). */
VSIM_API int VSim_SetSerialNumber(int device, const char* serial);
VSIM_API int VSim_SetArticleNumber(int device, unsigned long article);
/* layout 0 or 1; versions as the tool shows them: "V2.07", "T05.03" (NULL keeps one). */
VSIM_API int VSim_SetVersions(int device, int layout, const char* blVersion, const char* appVersion);
/* Silence after a restart, then readiness (value index 2 reads non-zero until ready). */
VSIM_API int VSim_SetStartupTime(int device, unsigned silentMs, unsigned readyMs);
/* Refuse a whole-row EEPROM write whose row sum is wrong with target error 0x09 (default on). */
VSIM_API int VSim_SetRowCheck(int device, int enabled);
VSIM_API int VSim_RestartFitting(int device);

#define VSIM_RUNNING_BOOTLOADER 0
#define VSIM_RUNNING_APPLICATION 1
#define VSIM_RUNNING_STARTING 2 /* silent after a restart */

typedef struct VSimFittingState {
    int productType;         /* 1..7 */
    unsigned long article;   /* as stored in the EEPROM */
    int running;             /* VSIM_RUNNING_* */
    int bootloaderNext;      /* 1 after command 21 until command 22 */
    int baudRate;            /* the speed the fitting listens at */
    int valveOpen;
    int restarts;            /* restarts since plugged */
    int layout;              /* module information layout */
    int appMajor, appMinor;  /* the version reported now (bit 7 of major: test version) */
    int eepromSize;
    int framesHeard;         /* frames understood since plugged */
} VSimFittingState;
VSIM_API int VSim_GetFittingState(int device, VSimFittingState* state);

/* ---- Memories ------------------------------------------------------------
 * EEPROM access is raw: row sums are not touched (VSim_FixRowSums renews
 * them). Flash covers 0x0000..0x3FFF (types 1, 2) or 0x0000..0x7FFF (3..7);
 * the application version of an image sits just below its "U4" signature
 * (major at 0x3FFC / 0x7FFC, minor at 0x3FFD / 0x7FFD). */
VSIM_API int VSim_ReadEeprom(int device, unsigned address, unsigned char* data, unsigned length);
VSIM_API int VSim_WriteEeprom(int device, unsigned address, const unsigned char* data, unsigned length);
VSIM_API int VSim_FixRowSums(int device);
VSIM_API int VSim_ReadFlash(int device, unsigned address, unsigned char* data, unsigned length);
VSIM_API int VSim_WriteFlash(int device, unsigned address, const unsigned char* data, unsigned length);
/* EEPROM persistence: loaded now when the file exists, saved after every
 * write the fitting accepts. NULL or "" stops it. */
VSIM_API int VSim_SetEepromFile(int device, const char* path);

/* ---- Faults --------------------------------------------------------------
 * A fault fires on frames written to an adapter (or, for
 * VSIM_FAULT_DRIVER_STATUS, on calls of one D2XX function). */
#define VSIM_FAULT_CORRUPT_ECHO 1      /* param: position of the echo byte that is flipped (0 = first) */
#define VSIM_FAULT_MISSING_ECHO 2      /* the frame comes back without echo */
#define VSIM_FAULT_NO_ANSWER 3         /* the fitting does not hear the frame */
#define VSIM_FAULT_SHORT_ANSWER 4      /* param: bytes of the answer sent (0: all but the last two) */
#define VSIM_FAULT_BAD_CHECKSUM 5      /* the answer's sum byte is off by one */
#define VSIM_FAULT_BAD_LENGTH 6        /* param: added to the answer's length byte (0: +1) */
#define VSIM_FAULT_TARGET_ERROR 7      /* answer FF code; param: code (0: 0x07) */
#define VSIM_FAULT_TARGET_ERROR_LIB 8  /* answer FF code lib; param: code (0: 0x07), param2: library (0: 0x01) */
#define VSIM_FAULT_LATE_ANSWER 9       /* param: ms the answer comes late (0: 150, beyond a 100 ms time-out) */
#define VSIM_FAULT_GARBAGE 10          /* param: noise bytes between echo and answer (0: 3) */
#define VSIM_FAULT_UNPLUG_ADAPTER 11   /* the adapter is pulled as the frame is written */
#define VSIM_FAULT_EXCHANGE_FITTING 12 /* text: profile (NULL keeps it), text2: serial (NULL: +1) */
#define VSIM_FAULT_DRIVER_STATUS 13    /* text: D2XX function name, param: status (0: FT_IO_ERROR) */
#define VSIM_FAULT_IGNORE_WRITE 14     /* an EEPROM write (command 12 or 14) is acknowledged, but its bytes in the
                                          fault's address range (all of them without one) are not stored */

#define VSIM_TRIGGER_NEXT 0    /* the next frame (call) only */
#define VSIM_TRIGGER_EVERY 1   /* every n-th frame (call); n = 1: all */
#define VSIM_TRIGGER_COMMAND 2 /* every frame of command ID n (1..33), any frame for DRIVER_STATUS */

typedef struct VSimFault {
    int kind;          /* VSIM_FAULT_* */
    int trigger;       /* VSIM_TRIGGER_* */
    int n;             /* period or command ID */
    int times;         /* fire at most this often; 0 = no limit (NEXT fires once) */
    int param;
    int param2;
    const char* text;  /* copied */
    const char* text2; /* copied */
    int skip;          /* matching frames (calls) let pass before the fault fires */
    /* With addressCount > 0 only frames whose memory range (commands 11..17
     * and 28) meets address..address+addressCount-1 match; others pass unseen. */
    unsigned address;
    unsigned addressCount;
} VSimFault;
/* device: the adapter; -1 for VSIM_FAULT_DRIVER_STATUS on any handle (and on
 * calls without a handle such as FT_CreateDeviceInfoList). A device's own
 * failing status also fires on FT_Open and FT_GetDeviceInfoDetail of its
 * device number. Returns a fault id > 0. */
VSIM_API int VSim_AddFault(int device, const VSimFault* fault);
VSIM_API int VSim_GetFaultHits(int faultId); /* how often it fired */
VSIM_API void VSim_ClearFaults(void);

/* ---- Trace ---------------------------------------------------------------
 * Every frame on a line in both directions. The wire time of a job is the
 * sum of the line times of its frames. */
#define VSIM_DIR_TO_FITTING 0   /* written by the adapter (its echo is the same bytes) */
#define VSIM_DIR_FROM_FITTING 1 /* the fitting's answer */
#define VSIM_DIR_NOISE 2        /* garbage on the line */
#define VSIM_MAX_FRAME 260

typedef struct VSimFrame {
    unsigned long long timeNs;     /* start on the line, simulated time */
    unsigned long long lineTimeNs; /* ten bit times per byte at baudRate */
    int device;                    /* device number when it was recorded */
    int direction;                 /* VSIM_DIR_* */
    int baudRate;
    int length;                    /* bytes on the line (bytes[] keeps the first VSIM_MAX_FRAME) */
    unsigned char bytes[VSIM_MAX_FRAME];
} VSimFrame;
VSIM_API int VSim_GetTraceCount(void);
VSIM_API int VSim_GetTraceFrame(int index, VSimFrame* frame);
VSIM_API void VSim_ClearTrace(void);
VSIM_API unsigned long long VSim_GetWireTimeNs(void); /* sum of the line times in the trace */

#ifdef __cplusplus
}
#endif

#endif /* FLUXA_SIMULATOR_VELMORSIM_CONTROL_H */
