// Settings, paths and work files: the folders fixed at start-up, the SETUP.INI switches of
// section SETTINGS in the program folder, and the stand-alone program's window settings.
// Everything lives in one `Settings` record so that tests can reset it; the free functions with
// the system's names read the one instance.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm::platform {
class IniDocument;
}

namespace qm {

struct Settings {
  // Paths. Folders end with a separator; every path is a host path.
  std::string startFolder;         // the current folder when the system started
  std::string programFolder;       // the folder of the executable
  std::string tempFolder;          // private work-file folder of this user and process (mode 0700)
  bool tempFolderPending = false;  // the platform's private folder, made when first asked for
  std::string workFilePath;        // "workfile.tmp": the program being compiled and run
  std::string workFile2Path;       // "workfil2.tmp": the editor's second document slot
  std::string workWavPath;         // "workfile.wav"

  // SETUP.INI, section SETTINGS.
  bool windowModeRequested = false;  // WINDOWMODE is "1"
  bool blitFlipMode = false;
  int32_t blitOverdrawCount = 1;  // 2 when BLITOVERDRAW is "1"
  int32_t vertexBufferCreateMode = 0;
  int32_t vertexBufferUsageMode = 0;
  int32_t overlay3DMode = 0;
  int32_t popupOffMode = 0;
  std::string externalEditorPath;  // empty unless the named file exists
  bool debugModeFlag = false;
  bool traceModeFlag = false;
  bool runtimeTestFlag = false;

  // Stand-alone window (section STARTUP of the program's own "setup.ini"): 0 in the development
  // system; 1 when WINDOW is 1 before the main window exists; 2 once the main window was created
  // at that place; 3 once the run has placed it again.
  int32_t standaloneWindowState = 0;
  int32_t standaloneWindowX = 0;
  int32_t standaloneWindowY = 0;
  int32_t standaloneWindowWidth = 0;
  int32_t standaloneWindowHeight = 0;
};

// The one instance. Read it through the accessors below; tests may assign a fresh record.
extern Settings gSettings;

// Where SetUpPaths takes its folders from. Empty fields mean the real ones: the folder of
// /proc/self/exe and the platform's private temporary folder.
struct PathOptions {
  std::string programFolder;
  std::string tempFolder;
};

// Fixes the start folder, the program folder, the temporary folder (mode 0700) and the work-file
// names. A folder given in `options` is made private now: false when it cannot be. The
// platform's own private folder is made when a work file is first asked for, so that a run which
// writes none costs no folder (and no sweep of the system's temporary folder).
bool SetUpPaths(const PathOptions& options = {});

// SETUP.INI in the program folder is read once, at start-up, into one document that every
// setting (section SETTINGS here, the language words' keys) is taken from. LoadSetupFile reads
// it (a missing file reads as empty); false when it exists and cannot be read or is larger than
// an INI file may be, with `error` naming it and saying why (the document is then empty).
// SetUpPaths forgets the document; SetupDocument loads it on first use after that.
bool LoadSetupFile(std::string* error = nullptr);
const platform::IniDocument& SetupDocument();

// The start-up step: reads SETUP.INI (LoadSetupFile; false as it gives, the settings then all at
// their defaults) and takes section SETTINGS from it. WINDOWMODE "1" writes 0
// into `fullScreen` and 1 into `windowMode`; otherwise both are left as they are. DEBUGMODE,
// TRACEMODE and RUNTIMETEST that are "1" each delete QM.LOG in the program folder before setting
// their flag, so it runs once per start: a run never reads the settings again (its trace lines
// would be lost), it takes the window request through ApplyWindowModeSetting.
bool ReadSetupSettings(int32_t& fullScreen, int32_t& windowMode, std::string* error = nullptr);
// WINDOWMODE as ReadSetupSettings found it, applied to a run's display request.
void ApplyWindowModeSetting(int32_t& fullScreen, int32_t& windowMode);

// The host name of a packed copy of a file, or nothing when the file is not packed.
using PackedFileLookup =
    std::function<std::optional<std::string>(const std::string& name, const std::string& ending)>;

// A stand-alone program's start-up: reads section STARTUP of `iniPath` and, when WINDOW is 1,
// sets the stand-alone window state to 1 with the position and size read.
void ReadStandaloneStartupSection(const std::string& iniPath);

// Called by the run's display set-up: while the window state is 2, reads section STARTUP again
// ("setup.ini", a packed copy first, else SETUP.INI in the current folder); WINDOW 1 makes the
// run windowed (fullScreen 0, windowMode 1) at the position and size read. Does nothing in the
// development system.
void ReadStandaloneWindowSettings(int32_t& fullScreen, int32_t& windowMode,
                                  const PackedFileLookup& packedLookup = {});

// The last exit step: back to the start folder, and "workfile.wav" deleted. The other work
// files stay for the next start.
void DeleteWorkFiles();

inline const std::string& StartFolder() { return gSettings.startFolder; }
inline const std::string& ProgramFolder() { return gSettings.programFolder; }
// The work folder and files; the first call makes the private folder (empty strings when it
// cannot be made).
const std::string& TempFolder();
const std::string& WorkFilePath();
const std::string& WorkFile2Path();
const std::string& WorkWavPath();
inline const std::string& ExternalEditorPath() { return gSettings.externalEditorPath; }
inline bool BlitFlipMode() { return gSettings.blitFlipMode; }
inline int32_t BlitOverdrawCount() { return gSettings.blitOverdrawCount; }
inline int32_t VertexBufferCreateMode() { return gSettings.vertexBufferCreateMode; }
inline int32_t VertexBufferUsageMode() { return gSettings.vertexBufferUsageMode; }
inline int32_t Overlay3DMode() { return gSettings.overlay3DMode; }
inline int32_t PopupOffMode() { return gSettings.popupOffMode; }
inline bool DebugModeFlag() { return gSettings.debugModeFlag; }
inline bool TraceModeFlag() { return gSettings.traceModeFlag; }
inline bool RuntimeTestFlag() { return gSettings.runtimeTestFlag; }
inline int32_t StandaloneWindowState() { return gSettings.standaloneWindowState; }

// The host path of a file in the program folder (its name matched without regard to case).
std::string ProgramFolderFile(const std::string& name);

// A SETUP.INI number: leading digits with an optional sign, 0 when there are none, clamped to
// the 32-bit range.
int32_t SettingNumber(const std::string& value);

}  // namespace qm
