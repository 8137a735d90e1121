/* The Qvp plug-in interface: the structures, callbacks, constants and exported functions that
 * bind the host and every Qvp module (built-in or loaded from Plugins/<name>.qvp).
 *
 * The field order of every structure is fixed; pointers and handles are native 64-bit values
 * and the sizes are pinned below, so a module and a host built apart agree byte for byte.
 * All functions use the C calling convention. This header is C and C++. */
#ifndef QUOVEX_FORMATS_QVP_H
#define QUOVEX_FORMATS_QVP_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Interface version of the plug-ins of this system; a host accepts versions whose value with
 * the low 8 bits cleared is at most 0x00010000. */
#define QVP_VERSION 0x00010001u

/* Process kinds. Any other kind ends a process table. */
#define QVP_KIND_LOAD 1
#define QVP_KIND_SAVE 2

/* Capability bits of a process (the image model's capability word, plus options). */
#define QVPCAP_DIR 0x01u
#define QVPCAP_IDX 0x02u
#define QVPCAP_PALONLY 0x04u
#define QVPCAP_MULTIBNK 0x08u
#define QVPCAP_ALPHA 0x10u
#define QVPCAP_MULTIIMG 0x20u
#define PICAP_OPTIONS 0x40u

/* Image block flags and types. */
#define QVPIMG_ALPHA 0x01u
#define QVPIMG_DIR 0
#define QVPIMG_IDX 1

/* Result codes of module functions. */
#define QVP_OK 0
#define QVP_ERR_MEMORY 1
#define QVP_ERR_FILE 2
#define QVP_ERR_DATA 3
#define QVP_ERR_PARAM 4
#define QVP_ERR_CANCEL 5

/* Room of each text field of the file block: a full Linux path and its NUL. The host refuses
 * a path that does not fit rather than cutting it. */
#define QVP_MAX_PATH 4096
#define QVP_HEADER_SIZE 2048

/* Limits of the image block. */
#define QVP_MAX_BANKS 100
#define QVP_MAX_ENTRIES 256
#define QVP_MAX_MIP_SIDE 512

/* Message box styles and answers of the host window. */
#define QVP_MB_OK 0x0u
#define QVP_MB_OKCANCEL 0x1u
#define QVP_MB_YESNO 0x4u
#define QVP_MB_ICONERROR 0x10u
#define QVP_MB_ICONQUESTION 0x20u
#define QVP_MB_ICONWARNING 0x30u
#define QVP_MB_ICONINFO 0x40u
#define QVP_ID_OK 1
#define QVP_ID_CANCEL 2
#define QVP_ID_YES 6
#define QVP_ID_NO 7

struct QvpProcess;
struct QvpSettingIf;

/* The parent window handed to modules: whatever shows dialogs and message boxes for the
 * host. A module shows its messages through it so that it needs no window toolkit. */
typedef struct QvpWindow {
  void* context;
  int (*MessageBox)(void* context, const char* text, const char* caption, uint32_t style);
} QvpWindow;

typedef struct QvpPluginInfo {
  uint32_t version;
  const char* name;     /* required */
  const char* about;    /* may contain "\n" */
  uint8_t reserved[20]; /* zero */
} QvpPluginInfo;

typedef struct QvpProcInfo {
  int32_t kind; /* QVP_KIND_LOAD, QVP_KIND_SAVE; anything else ends the table */
  int32_t id;   /* chosen by the module */
  const char* name;
  uint32_t caps;
  uint8_t reserved1[16];
  const char* description; /* required, non-empty */
  const char* patterns;    /* ";"-separated wildcards, required, non-empty */
  uint8_t reserved2[24];
} QvpProcInfo;

typedef struct QvpConnect {
  void* module;             /* library handle */
  QvpWindow* parentWindow;  /* set by the host before every call that may show a window */
  const QvpPluginInfo* info;
  const QvpProcInfo* procTable;
} QvpConnect;

typedef struct QvpImgLevel {
  uint32_t width;
  uint32_t height;
  uint32_t size; /* width x height x cell size */
  uint8_t* data; /* rows top first, no padding; cells R,G,B,A or index,0 */
  uint8_t reserved[16];
} QvpImgLevel;

typedef struct QvpBank {
  uint32_t size;   /* entries x 4 */
  uint8_t* colour; /* 1024 bytes: 256 entries R, G, B, A */
  uint8_t reserved[24];
} QvpBank;

typedef struct QvpImage {
  uint32_t flags;   /* QVPIMG_ALPHA */
  uint8_t bits[4];  /* significant bits of red, green, blue, alpha */
  uint8_t type;     /* QVPIMG_DIR or QVPIMG_IDX */
  uint8_t reserved1[3];
  uint32_t pictureCount;
  QvpImgLevel* pictures;
  uint32_t bankCount;
  uint32_t entryCount; /* entries per bank, 1..256 */
  QvpBank* banks;
  uint8_t reserved2[96];
} QvpImage;

typedef int (*QvpCreateImageFn)(struct QvpProcess* record, uint32_t flags, int32_t type, int32_t width,
                                int32_t height, int32_t pictures, int32_t banks, int32_t entries);
typedef int (*QvpProgressFn)(struct QvpProcess* record, int32_t percent);

typedef struct QvpProcess {
  QvpConnect* connect;
  const QvpProcInfo* procInfo;
  int32_t id;
  int32_t showOptions;
  int32_t pictureIndex;
  int32_t bankIndex;
  QvpImage image;
  QvpCreateImageFn CreateImage;
  QvpProgressFn Progress;
} QvpProcess;

typedef struct QvpFile {
  char path[QVP_MAX_PATH];
  char folder[QVP_MAX_PATH];
  char fileName[QVP_MAX_PATH];
  char title[QVP_MAX_PATH];
  char extension[QVP_MAX_PATH];
  uint8_t header[QVP_HEADER_SIZE];
} QvpFile;

typedef struct QvpSettingIf {
  void* settings; /* the host's section accessor, opaque to modules */
  int32_t (*GetInt)(struct QvpProcess*, struct QvpSettingIf*, const char* key, int32_t def);
  int32_t (*GetText)(struct QvpProcess*, struct QvpSettingIf*, const char* key, const char* def, char* buffer,
                     int32_t size);
  double (*GetReal)(struct QvpProcess*, struct QvpSettingIf*, const char* key, double def);
  int32_t (*GetBytes)(struct QvpProcess*, struct QvpSettingIf*, const char* key, void* buffer, int32_t size);
  int32_t (*SetInt)(struct QvpProcess*, struct QvpSettingIf*, const char* key, int32_t value);
  int32_t (*SetText)(struct QvpProcess*, struct QvpSettingIf*, const char* key, const char* text);
  int32_t (*SetReal)(struct QvpProcess*, struct QvpSettingIf*, const char* key, double value);
  int32_t (*SetBytes)(struct QvpProcess*, struct QvpSettingIf*, const char* key, const void* data,
                      int32_t length);
} QvpSettingIf;

/* Sizes and offsets of the 64-bit layout. */
#ifdef __cplusplus
#define QVP_STATIC_ASSERT static_assert
#else
#define QVP_STATIC_ASSERT _Static_assert
#endif
QVP_STATIC_ASSERT(sizeof(void*) == 8, "the Qvp layout is the 64-bit one");
QVP_STATIC_ASSERT(sizeof(QvpWindow) == 16, "QvpWindow size");
QVP_STATIC_ASSERT(sizeof(QvpPluginInfo) == 48, "QvpPluginInfo size");
QVP_STATIC_ASSERT(sizeof(QvpProcInfo) == 80, "QvpProcInfo size");
QVP_STATIC_ASSERT(offsetof(QvpProcInfo, description) == 40, "QvpProcInfo layout");
QVP_STATIC_ASSERT(sizeof(QvpConnect) == 32, "QvpConnect size");
QVP_STATIC_ASSERT(sizeof(QvpImgLevel) == 40, "QvpImgLevel size");
QVP_STATIC_ASSERT(sizeof(QvpBank) == 40, "QvpBank size");
QVP_STATIC_ASSERT(sizeof(QvpImage) == 136, "QvpImage size");
QVP_STATIC_ASSERT(offsetof(QvpImage, banks) == 32, "QvpImage layout");
QVP_STATIC_ASSERT(sizeof(QvpProcess) == 184, "QvpProcess size");
QVP_STATIC_ASSERT(offsetof(QvpProcess, image) == 32, "QvpProcess layout");
QVP_STATIC_ASSERT(offsetof(QvpProcess, CreateImage) == 168, "QvpProcess layout");
QVP_STATIC_ASSERT(sizeof(QvpFile) == 5 * QVP_MAX_PATH + QVP_HEADER_SIZE, "QvpFile size");
QVP_STATIC_ASSERT(sizeof(QvpSettingIf) == 72, "QvpSettingIf size");

/* Functions a module exports, looked up by these names. */
typedef int (*QvpConnectPluginFn)(QvpConnect* connect, const QvpPluginInfo** info, const QvpProcInfo** table);
typedef void (*QvpDisconnectPluginFn)(QvpConnect* connect);
typedef int (*QvpConnectProcFn)(QvpProcess* record);
typedef void (*QvpDisconnectProcFn)(QvpProcess* record);
typedef void (*QvpDispAboutFn)(QvpConnect* connect);
typedef int (*QvpFileLoadOptionsFn)(QvpProcess* record, const QvpFile* file);
typedef int (*QvpFileLoadChkSupportFn)(QvpProcess* record, const QvpFile* file);
typedef int (*QvpFileLoadExecFn)(QvpProcess* record, const QvpFile* file);
typedef int (*QvpFileSaveOptionsFn)(QvpProcess* record, const QvpFile* file);
typedef int (*QvpFileSaveExecFn)(QvpProcess* record, const QvpFile* file);
typedef int (*QvpSettingGetFn)(QvpProcess* record, QvpSettingIf* settings);
typedef int (*QvpSettingSetFn)(QvpProcess* record, QvpSettingIf* settings);

/* The twelve functions of a plug-in in table order; any may be absent (NULL). */
typedef struct QvpFunctions {
  QvpConnectPluginFn ConnectPlugin;
  QvpDisconnectPluginFn DisconnectPlugin;
  QvpConnectProcFn ConnectProc;
  QvpDisconnectProcFn DisconnectProc;
  QvpDispAboutFn DispAbout;
  QvpFileLoadOptionsFn FileLoadOptions;
  QvpFileLoadChkSupportFn FileLoadChkSupport;
  QvpFileLoadExecFn FileLoadExec;
  QvpFileSaveOptionsFn FileSaveOptions;
  QvpFileSaveExecFn FileSaveExec;
  QvpSettingGetFn SettingGet;
  QvpSettingSetFn SettingSet;
} QvpFunctions;

#if defined(__GNUC__)
#define QVP_EXPORT __attribute__((visibility("default")))
#else
#define QVP_EXPORT
#endif

#ifdef __cplusplus
}
#endif

#endif /* QUOVEX_FORMATS_QVP_H */
